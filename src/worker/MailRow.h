#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "worker/HeaderLines.h"

// One message in an account's mail list: nine columns, the last three hidden.
// A ticked row is a selected row: its message goes at the next delete.
struct TMailRow {
    enum TColumn {
        Title = 0,
        Sender = 1,
        Sent = 2,
        Size = 3,
        Attachment = 4,
        Designated = 5,
        Number = 6,   // message number on the connection that listed (or last re-read) the row
        DateKey = 7,  // "yyyymmddhhnnsszz", the sort key of Sent
        Uidl = 8,
        ColumnCount = 9
    };

    std::array<std::string, ColumnCount> Columns;
    bool Ticked = false;
    // What the rules decided at listing: the tick and why (the rule string, the list entry or
    // the check; "許可リスト" for a sender the allow list kept; empty otherwise). A row whose
    // tick differs from RuleTicked was ticked or unticked by hand.
    bool RuleTicked = false;
    std::string Reason;
    // The authserv-id of the topmost Authentication-Results header (the receiving provider's, when
    // it writes one); empty when there is none.
    std::string AuthServId;
    // Of the TOP reply's header lines (TConnect::HeaderDigest): with the unique id and the size,
    // what tells this message from another given the same id.
    std::string HeaderDigest;
    // The header unfolded, one field a line, as the rules read it: given to the page with a new
    // row, so that it can decide the row again when the rules change. Empty in rows read back.
    THeaderLines HeaderLines;

    // Title of a message whose header could not be read; its header cannot be viewed.
    static constexpr const char* ReadErrorTitle = "読み取りエラー (Prunebox)";
};

// What the worker keeps of a listed row, by its unique id. After a reconnection the server may
// have given that id to another message (once the first is gone) or listed it twice, so a row is
// deleted there only when its size and header are still the same and its id was unique.
struct TListedMail {
    int32_t Size = 0;
    std::string HeaderDigest;  // of the TOP reply's header lines as read at listing
    bool SharedId = false;     // the listing gave the same unique id to another message too
    std::string Reason;        // the rule string that ticked it at listing, "PostPet", or empty
};
