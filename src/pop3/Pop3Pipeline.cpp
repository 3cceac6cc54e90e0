#include "pop3/Pop3Pipeline.h"

bool TPop3Pipeline::Run(const TBatch& batch, bool ahead) {
    Batch = &batch;
    SentAhead = ahead;
    Window = ahead ? MaxCommands : 1;
    // One at a time too: a header holding "." and "+OK" lines, from a server that does not stuff
    // them, shifts every later reply by one just the same.
    const bool closing = batch.Count > 0 && batch.InStep;
    Total = batch.Count + (closing ? 1 : 0);
    Lengths.assign(Window, 0);
    Sent = Done = Bytes = 0;
    bool answered = true;
    try {
        while (Done < Total) {
            // Topped up when half empty, so that one write carries many commands.
            if (Sent < Total && Sent - Done <= Window / 2) TopUp();
            answered = TakeReply() && answered;
        }
    } catch (...) {
        if (Sent > Done) Link.Abandon();
        SentAhead = false;
        Link.End();
        throw;
    }
    SentAhead = false;
    Link.End();
    return answered;
}

void TPop3Pipeline::TopUp() {
    if (Sent == Done) TakeUnasked();
    Outgoing.clear();
    const size_t first = Sent;
    while (Sent < Total && Sent - Done < Window) {
        const bool closing = Sent == Batch->Count;
        const std::string text = closing ? Batch->ClosingLine : Batch->Line(Sent);
        Link.Begin(Sent, closing);
        Link.CheckLine(text);
        if (Sent > Done && Bytes + text.size() > MaxBytes) break;
        Outgoing += text;
        Bytes += text.size();
        Lengths[Sent % Window] = text.size();
        ++Sent;
    }
    Link.Begin(first, false);
    Link.Write(Outgoing);
    for (size_t at = 0, i = first; i < Sent; at += Lengths[i % Window], ++i) {
        Link.Begin(i, i == Batch->Count);
        Link.Sent(Outgoing.data() + at, Lengths[i % Window]);
    }
}

bool TPop3Pipeline::TakeReply() {
    const size_t i = Done;
    const bool closing = i == Batch->Count;
    if (!closing && Batch->Before) Batch->Before(i);
    Link.Begin(i, closing);
    const bool multiLine = Batch->MultiLineOf ? Batch->MultiLineOf(i) : Batch->MultiLine;
    const TPop3Reply::TStatus status = Link.Receive(!closing && multiLine);
    Bytes -= Lengths[i % Window];
    ++Done;
    if (status == TPop3Reply::TStatus::Malformed) {
        // Where a reply is due, a line that cannot start one is the rest of an earlier reply.
        if (SentAhead) Link.Desync(Link.Reply());
        Link.Refuse();
    }
    const bool refused = status == TPop3Reply::TStatus::Negative;
    if (closing && (refused || !Batch->InStep(Link.Reply()))) Link.Desync(Link.Reply());
    if (refused && !closing && !Batch->MayRefuse) Link.Refuse();
    // Every reply asked for is in: anything more belongs to no command.
    if (SentAhead && Done == Sent && Framer.Buffered() > 0)
        Link.Desync(TReplyFramer::StatusLine(Link.Reply()));
    if (!closing && !refused && Batch->Replied) Batch->Replied(i);
    if (!closing && refused && Batch->Refused) Batch->Refused(i);
    return !refused;
}

// Bytes that came before the command that is to go out answer none of ours: the rest of an
// earlier reply cut short, say. Whatever reads next would take them for its reply.
void TPop3Pipeline::TakeUnasked() {
    if (Framer.Buffered() > 0) Link.Desync(std::string());
}
