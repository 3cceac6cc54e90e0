#include "page/ChPage.h"

#include "headers/SjisText.h"
#include "history/FileSystem.h"
#include "rules/ReasonText.h"
#include "rules/SenderList.h"
#include "rules/SharedDomains.h"
#include "settings/AccountFields.h"
#include "ui/ControlText.h"
#include "ui/Dpi.h"
#include "ui/MsgDlg.h"
#include "ui/PageControl.h"

namespace {

const char* const UnreadableSenderText =
    "このメールの差出人のアドレスが読み取れないため、リストに追加できません。";
const char* const ListsNotStoredText =
    "差出人リストを保存できなかったため、追加しませんでした。リストは前のままです。";

}  // namespace

TChPage::TChPage(TPageHost& host, TPageControl& tabs, int index)
    : TPageState(host, index), Tabs(tabs) {
    TabSheet = std::make_unique<TTabSheet>(Tabs, index);
    Frame = std::make_unique<TMainFrame>(TabSheet->Handle, index,
                                         [this](int command) { RunCommand(command); });
    Frame->SenderCommand = [this](int command, int row) {
        if (command == TMainFrame::IdLearnUnwanted || command == TMainFrame::IdLearnWanted)
            LearnRow(command, row);
        else
            AddRowSender(command, row);
    };
    Frame->HandTicked = [this](int row, bool ticked) { HandTicked(row, ticked); };
    Bridge = std::make_unique<TPageBridge>(*this, *Frame);
    Bridge->OnButtonsEnabled = [this] {
        if (!RedecideAtEnd) return;
        RedecideAtEnd = false;
        Redecide();
    };
    Worker = TConnect::Create(index, *Bridge);
}

TChPage::~TChPage() {
    if (Choices) Choices->Save();
    // An idle worker is woken to end and waited for; a busy one stops at its next step and
    // never reaches the page again.
    Worker.reset();
    Bridge.reset();
    Frame.reset();
    TabSheet.reset();
}

void TChPage::LoadAccount(const TAccountSettings& account) {
    SetAccountName(account.Name);
    Design = account.Design;
    SetWindowTextA(Frame->Serv, account.Serv.c_str());
    SetWindowTextA(Frame->IDNum, account.IDNum.c_str());
    SetChecked(Frame->APOPCheck, account.APOPCheck);
    SetWindowTextA(Frame->Pass, account.Pass.c_str());
    AutoDelMode = account.AutoDelMode;
    Rules = account.Rules;
    Filter = account.Filter;
    CheckEvery = account.CheckEvery;
    DeleteTicked = account.DeleteTicked;
    KeepCopy = account.KeepCopy;
    Security = account.Security;
    CertHash = account.CertHash;
    OAuth = account.OAuth;
    RefreshToken = account.RefreshToken;
}

void TChPage::SetAccountName(const std::string& name) {
    TabSheet->SetCaption(AccountFields::TabCaption(name, Tabs.OwnerDraw()));
}

std::string TChPage::AccountName() const {
    return AccountFields::TabName(TabSheet->Caption(), Tabs.OwnerDraw());
}

void TChPage::SetIndex(int index) {
    Index = index;
    TabSheet->Tag = index;
    Frame->Tag = index;
    Worker->Index = index;
}

void TChPage::ArrangePage() {
    Tabs.Resized();
    RECT sheet;
    GetClientRect(TabSheet->Handle, &sheet);
    const int width = sheet.right, height = sheet.bottom;
    SetWindowPos(Frame->Handle, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    const bool extended = Host.ExtendedViewShown();
    const int dpi = Dpi::Of(Frame->Handle);
    auto scaled = [dpi](int size) { return Dpi::Scale(size, dpi); };
    ShowWindow(Frame->KvPanel1.Handle, extended ? SW_SHOW : SW_HIDE);
    ShowWindow(Frame->KvPanel2.Handle, extended ? SW_SHOW : SW_HIDE);
    if (extended) {
        SetWindowPos(Frame->MailView, nullptr, scaled(8), scaled(58), width - scaled(16),
                     height - scaled(140), SWP_NOZORDER | SWP_NOACTIVATE);
        RECT panel;
        GetWindowRect(Frame->KvPanel1.Handle, &panel);
        SetWindowPos(Frame->KvPanel1.Handle, nullptr, (width - (panel.right - panel.left)) / 2,
                     height - scaled(70), 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
        GetWindowRect(Frame->KvPanel2.Handle, &panel);
        MapWindowPoints(nullptr, Frame->Handle, reinterpret_cast<POINT*>(&panel), 2);
        SetWindowPos(Frame->KvPanel2.Handle, nullptr, (width - (panel.right - panel.left)) / 2,
                     panel.top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    } else {
        RECT bar;
        GetWindowRect(Frame->StatusBar1.Handle, &bar);
        SetWindowPos(Frame->MailView, nullptr, 0, 0, width, height - (bar.bottom - bar.top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Frame->StatusBar1.Resize();
    Frame->FitTitleColumn();
}

void TChPage::RunCommand(int command) {
    Command = command;
    // A busy worker refuses the command. An idle one has finished its changes: they are shown
    // before the page is read, so that the rows it is given are the rows the user sees.
    if (Worker->Busy()) return;
    Bridge->Queue.Drain();
    BindChoices();
    TCheckInputs inputs = CheckInputs(command);
    if (command == CommandHeader) {
        // The worker shows the header of the first ticked row.
        HeaderReason.clear();
        HeaderLearning.clear();
        for (size_t i = 0; i < inputs.Rows.size(); ++i) {
            if (!inputs.Rows[i].Ticked) continue;
            HeaderReason = ReasonText::Sentence(inputs.Rows[i].Reason);
            // One header scored here: a fraction of a millisecond.
            const std::vector<std::string>& lines = Frame->Mails().Row(i).HeaderLines;
            if (inputs.Learner && inputs.Learner->Ready() && !lines.empty())
                HeaderLearning = TLearner::Explanation(inputs.Learner->Score(lines));
            break;
        }
    }
    Worker->Resume(command, std::move(inputs));
}

void TChPage::RulesChanged() {
    // An idle worker has posted all its rows: they are shown first, so that all are decided.
    if (Worker->Busy())
        RedecideAtEnd = true;
    else
        Bridge->Queue.Drain();
    // A deletion running now decides by these before its first DELE.
    if (BindChoices()) Choices->SetRules(RuleInputs());
    Redecide();
}

void TChPage::Redecide() {
    TRuleInputs inputs = RuleInputs();
    // As at listing.
    if (inputs.SearchesNothing()) inputs.AutoDelMode = 0;
    Frame->Redecide(TRuleSet(inputs));
    // The user's choices outlast any change of the rules.
    if (!BindChoices()) return;
    const TMailList& mails = Frame->Mails();
    for (size_t i = 0; i < mails.Count(); ++i) {
        const TChoice choice = Choices->ChoiceOf(TAccountChoices::IdentityOf(mails.Row(i)));
        const bool ticked = choice == TChoice::Delete;
        if (choice != TChoice::None && ticked != mails.Ticked(i))
            Frame->SetTicked(static_cast<int>(i), ticked);
    }
}

TAccountChoices* TChPage::BindChoices() {
    if (KeyName.empty()) {
        Choices.reset();
        ChoicesKey.clear();
    } else if (!Choices || ChoicesKey != KeyName) {
        if (Choices) Choices->Save();
        Choices = std::make_shared<TAccountChoices>(FileSystem::ProgramDataFolder(), KeyName);
        ChoicesKey = KeyName;
    }
    return Choices.get();
}

void TChPage::HandTicked(int row, bool ticked) {
    if (row < 0 || row >= Frame->RowCount() || !BindChoices()) return;
    const TMailRow& given = Frame->Mails().Row(static_cast<size_t>(row));
    Choices->HandTick(given, ticked, given.HeaderLines);
    // Unticking what the rules or learning ticked says the mail is wanted: learned at once, on
    // the learner's thread (the worker's later lesson of the same is then nothing new).
    const std::shared_ptr<TLearner> learner = Host.Learner();
    if (learner && !ticked && given.RuleTicked && !given.HeaderLines.empty())
        learner->Learn(given.HeaderLines, false);
    // One write for a burst of ticks (a click that unticks every other row).
    if (Choices->MarkChanged()) {
        std::shared_ptr<TAccountChoices> choices = Choices;
        Bridge->Queue.Post([choices] { choices->Save(); });
    }
}

bool TChPage::StartCheck() {
    if (Worker->Busy()) return false;
    Bridge->Queue.Drain();
    BindChoices();
    return Worker->Resume(CommandCheck, CheckInputs(CommandCheck));
}

TRuleInputs TChPage::RuleInputs() const {
    TRuleInputs inputs;
    inputs.AutoDelMode = AutoDelMode;
    inputs.Rules = Rules;
    const TSenderLists lists = Host.SenderLists();
    inputs.Allow = lists.Allow;
    inputs.Block = lists.Block;
    inputs.AuthFail = Filter.AuthFail;
    inputs.AuthServId = Filter.AuthServId;
    inputs.Charsets = Filter.Charsets;
    inputs.Spoof = Filter.Spoof;
    inputs.MaxSize = Filter.MaxSize;
    inputs.LearnThreshold = Host.LearnThreshold();
    inputs.LearnedDelete = Filter.LearnedDelete;
    return inputs;
}

TCheckInputs TChPage::CheckInputs(int command) const {
    TCheckInputs inputs;
    inputs.Serv = TextOf(Frame->Serv);
    inputs.IDNum = TextOf(Frame->IDNum);
    inputs.Pass = TextOf(Frame->Pass);
    inputs.APOPCheck = Checked(Frame->APOPCheck);
    inputs.OAuth = OAuth;
    inputs.RefreshToken = RefreshToken;
    inputs.Security = Security;
    inputs.CertHash = CertHash;
    inputs.RuleInputs = RuleInputs();
    inputs.Design = Design;
    inputs.LogEnabled = LogEnabled;
    inputs.TabCaption = TabSheet->Caption();
    // A copy of every row costs the window thread a millisecond or more a thousand rows: only
    // the commands that act on the rows the user ticked are given them, and a check, which
    // keeps those ticks.
    const bool check = command == CommandCheck;
    if (command == CommandDelete || command == CommandHeader || check) inputs.Rows = Frame->Rows();
    inputs.WritesHistory = command == CommandDelete || check;
    if (inputs.WritesHistory) inputs.HistoryFolder = FileSystem::ProgramDataFolder();
    inputs.Unattended = check;
    inputs.Choices = Choices;
    if (Choices) Choices->SetRules(inputs.RuleInputs);
    inputs.Learner = Host.Learner();
    inputs.DeleteTicked = check && DeleteTicked;
    // "削除するメールを保存する" holds for a deletion by hand as well.
    inputs.KeepCopy = inputs.WritesHistory && KeepCopy;
    return inputs;
}

void TChPage::LearnRow(int command, int row) {
    const std::shared_ptr<TLearner> learner = Host.Learner();
    if (row < 0 || row >= Frame->RowCount() || !learner) return;
    const TMailRow& listed = Frame->Mails().Row(static_cast<size_t>(row));
    if (listed.HeaderLines.empty()) return;
    const bool unwanted = command == TMainFrame::IdLearnUnwanted;
    learner->Learn(listed.HeaderLines, unwanted);
    if (listed.Ticked == unwanted) return;
    Frame->SetTicked(row, unwanted);
    HandTicked(row, unwanted);
}

void TChPage::AddRowSender(int command, int row) {
    if (row < 0 || row >= Frame->RowCount()) return;
    const TMailRow& listed = Frame->Mails().Row(static_cast<size_t>(row));
    if (listed.HeaderLines.empty()) return;
    const TFromField from = TRuleSet::Sender(listed.HeaderLines);
    const std::string text = command == TMainFrame::IdBlockDomain ? from.Domain : from.Address;
    const TSenderListKind list =
        command == TMainFrame::IdAllowSender ? TSenderListKind::Allow : TSenderListKind::Block;
    std::string entry, error = text.empty() ? UnreadableSenderText : "";
    // The entry's own check names the text and what is wrong with it.
    if (error.empty() && TSenderList::ParseEntry(text, entry, error)) {
        std::string unallow;
        if (list == TSenderListKind::Block && !BlockAsked(entry, from.Address, unallow)) return;
        if ((unallow.empty() || Host.RemoveSender(TSenderListKind::Allow, unallow)) &&
            Host.AddSender(list, entry))
            return;
        error = ListsNotStoredText;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    MessageDlgCenter(Frame->Handle, error, TMsgDlgType::Warning, mbOK, 0);
}

bool TChPage::BlockAsked(const std::string& entry, const std::string& address,
                         std::string& unallow) {
    // The allow list wins: the block would change nothing for this sender unless the entry
    // that allows it goes.
    const TSenderList allow(Host.SenderLists().Allow);
    unallow = allow.Match(address);
    if (!unallow.empty()) {
        MessageBeep(MB_ICONQUESTION);
        const std::string text =
            "差出人 " + address + " は許可リストの「" + unallow +
            "」に当たります。両方のリストにある差出人は許可リストが優先するため、このまま拒否"
            "リストに追加しても、このメールにはチェックが付きません。\r\n\r\n許可リストから「" +
            unallow + "」を外して、「" + entry + "」を拒否リストに追加しますか?";
        return MessageDlgCenter(Frame->Handle, text, TMsgDlgType::Confirmation, mbYes | mbNo, 0,
                                mbNo) == mrYes;
    }
    if (!SharedDomains::Shared(entry)) return true;
    MessageBeep(MB_ICONQUESTION);
    const std::string text =
        "「" + entry +
        "」は多くの人が使うドメインです。拒否リストに追加すると、知人からのメールも含めて、この"
        "ドメインから届くメールにすべてチェックが付きます (いま一覧にあるメールでは " +
        std::to_string(RowsTickedByBlocking(entry)) + " 通)。\r\n\r\n「" + entry +
        "」を拒否リストに追加しますか?";
    return MessageDlgCenter(Frame->Handle, text, TMsgDlgType::Confirmation, mbYes | mbNo, 0,
                            mbNo) == mrYes;
}

int TChPage::RowsTickedByBlocking(const std::string& entry) const {
    TRuleInputs inputs = RuleInputs();
    inputs.Block.push_back(entry);
    if (inputs.SearchesNothing()) return 0;
    const TRuleSet rules(inputs);
    const TMailList& mails = Frame->Mails();
    int ticked = 0;
    for (size_t index = 0; index < mails.Count(); ++index) {
        const TMailRow& row = mails.Row(index);
        if (row.HeaderLines.empty() || row.RuleTicked) continue;
        int32_t size = 0;  // the listing's sizes are 32-bit
        SjisText::ToInt32(row.Columns[TMailRow::Size], size);
        if (rules.Decide(row.HeaderLines, size).Ticked) ++ticked;
    }
    return ticked;
}
