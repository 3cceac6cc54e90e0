#include "settings/SetupStore.h"

#include <cmath>
#include <cstdlib>
#include <optional>

#include "headers/SjisSearch.h"
#include "headers/SjisText.h"
#include "settings/SettingsKeys.h"

namespace {

// The size the main window has before any stored value is applied.
constexpr int kBuiltInWidth = 592;
constexpr int kBuiltInHeight = 394;
// Column 0 leaves this much beside the vertical scroll bar, and 16 more for the extended view.
constexpr int kListRightMargin = 7;
constexpr int kExtendedViewMargin = 16;
const char* const kColumnValueNames[kListColumns] = {nullptr,  "From", "Date",  "Size",
                                                     "Attach", "More", "Reason"};
// The reason column came later: settings stored before it lack its width, and keep the rest.
constexpr int kReasonColumn = 6;

// Reads the window values in order; stops at the first one missing or mistyped, keeping the
// size read so far in `width` and `height`.
bool ReadWindowBlock(TRegistryAccessor& registry, TWindowSettings& window, int& width,
                     int& height) {
    auto top = registry.ReadInteger("Top");
    if (!top) return false;
    window.Top = *top;
    auto left = registry.ReadInteger("Left");
    if (!left) return false;
    window.Left = *left;
    auto storedHeight = registry.ReadInteger("Height");
    if (!storedHeight) return false;
    window.Height = height = *storedHeight;
    auto storedWidth = registry.ReadInteger("Width");
    if (!storedWidth) return false;
    window.Width = width = *storedWidth;
    auto small = registry.ReadBool("Small");
    if (!small) return false;
    window.Small = *small;
    auto toolBar = registry.ReadBool("ToolBar");
    if (!toolBar) return false;
    window.ToolBar = *toolBar;
    auto tabPosition = registry.ReadInteger("TabPosition");
    if (!tabPosition) return false;
    // Only 0 and 1 are ever written; anything else comes from an outside edit.
    window.TabPosition = *tabPosition == kTabsAtBottom ? kTabsAtBottom : kTabsOnTop;
    return true;
}

// Every occurrence of `pattern` replaced, ASCII letters matched in either case; a match never
// starts inside a two-byte character.
std::string ReplaceIgnoringCase(const std::string& text, const std::string& pattern,
                                const std::string& replacement) {
    const std::string upperText = SjisSearch::AsciiUpper(text);
    const std::string upperPattern = SjisSearch::AsciiUpper(pattern);
    std::string result;
    for (size_t i = 0; i < text.size();) {
        if (!pattern.empty() && upperText.compare(i, upperPattern.size(), upperPattern) == 0) {
            result += replacement;
            i += pattern.size();
            continue;
        }
        const size_t width = SjisText::IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
        result.append(text, i, width);
        i += width;
    }
    return result;
}

bool ReadListBlock(TRegistryAccessor& registry, TListSettings& list) {
    list.FontName = registry.ReadString("FontName").value_or("");
    auto size = registry.ReadInteger("FontSize");
    if (!size) return false;
    auto style = registry.ReadInteger("FontStyle");
    if (!style) return false;
    list.FontSize = *size;
    list.FontStyle = *style & 0xF;
    for (int column = 1; column < kReasonColumn; ++column) {
        auto width = registry.ReadInteger(kColumnValueNames[column]);
        if (!width) return false;
        list.ColumnWidths[column] = *width;
    }
    list.ColumnWidths[kReasonColumn] = registry.ReadInteger(kColumnValueNames[kReasonColumn])
                                           .value_or(TListSettings().ColumnWidths[kReasonColumn]);
    return true;
}

}  // namespace

bool TSetupStore::CheckSettingsVersion() {
    if (!Registry.OpenKey(kSetupKey, true)) return false;
    const auto version = Registry.ReadInteger("Version");
    if (version && *version >= kOldestSettingsVersion) return true;
    return Registry.OpenKey("\\", true) && Registry.DeleteKey("Setup");
}

TStartupSettings TSetupStore::LoadWindowSettings(int screenWidth, int screenHeight) {
    TStartupSettings settings;
    int width = kBuiltInWidth;
    int height = kBuiltInHeight;
    settings.FromStore = Registry.OpenKey(kSetupKey, true) &&
                         ReadWindowBlock(Registry, settings.Window, width, height);
    if (!settings.FromStore) {
        TWindowSettings defaults;
        defaults.Top = (screenHeight - height) / 2;
        defaults.Left = (screenWidth - width) / 2;
        settings.Window = defaults;
        return settings;
    }
    settings.MailerCommand = ReadMailerCommand();
    if (Registry.OpenKey(kSetupKey, true)) settings.Led = Registry.ReadBool("LED").value_or(true);
    return settings;
}

std::string TSetupStore::ReadMailerCommand() {
    Registry.SetRoot(TRegistryRoot::LocalMachine);
    std::string command;
    if (Registry.OpenKey(kMailClientsKey, false)) {
        const std::string program = Registry.ReadString("").value_or("");
        if (!SplitKeyPath(program).empty() &&
            Registry.OpenKey(
                std::string(kMailClientsKey) + "\\" + program + "\\shell\\open\\command", false))
            command = Registry.ReadString("").value_or("");
    }
    Registry.SetRoot(TRegistryRoot::CurrentUser);
    return ReplaceIgnoringCase(command, "%ProgramFiles%", "C:\\Program Files");
}

int TSetupStore::LoadActiveItem(int tabCount) {
    if (!Registry.OpenKey(kSetupKey, false)) return 0;
    const auto item = Registry.ReadInteger("Item");
    return item && *item >= 0 && *item < tabCount ? *item : 0;
}

int TSetupStore::FittedFirstColumn(const TListSettings& list, int availableWidth,
                                   const TListGeometry& geometry) {
    int width = availableWidth;
    for (int column = 1; column < kListColumns; ++column) width -= list.ColumnWidths[column];
    return width - geometry.ScrollBarWidth - kListRightMargin;
}

TListSettings TSetupStore::LoadListSettings(const TListGeometry& geometry) {
    TListSettings list;
    if (Registry.OpenKey(kSetupKey, false) && ReadListBlock(Registry, list)) {
        if (list.FontName.empty()) list.FontName = TListSettings().FontName;
        const int available = geometry.TabClientWidth - (geometry.Small ? kExtendedViewMargin : 0);
        list.ColumnWidths[0] = FittedFirstColumn(list, available, geometry);
    } else {
        list = TListSettings();
        if (geometry.DesignatedWidth > 0) list.ColumnWidths[5] = geometry.DesignatedWidth;
        list.ColumnWidths[0] =
            FittedFirstColumn(list, geometry.TabClientWidth - kExtendedViewMargin, geometry);
    }
    // A negative width would ask the list to size the column by itself.
    for (int& width : list.ColumnWidths)
        if (width < 0) width = 0;
    return list;
}

bool TSetupStore::SaveWindowSettings(const TWindowSettings& window, int activeItem,
                                     const TListSettings& activeList, int version) {
    if (!Registry.OpenKey(kSetupKey, true)) return false;
    bool ok = Registry.WriteInteger("Top", window.Top);
    ok = Registry.WriteInteger("Left", window.Left) && ok;
    ok = Registry.WriteInteger("Height", window.Height) && ok;
    ok = Registry.WriteInteger("Width", window.Width) && ok;
    ok = Registry.WriteInteger("Version", version) && ok;
    ok = Registry.WriteInteger("Item", activeItem) && ok;
    ok = Registry.WriteBool("Small", window.Small) && ok;
    ok = Registry.WriteBool("ToolBar", window.ToolBar) && ok;
    ok = Registry.WriteInteger("TabPosition", window.TabPosition) && ok;
    for (int column = 1; column < kListColumns; ++column)
        ok =
            Registry.WriteInteger(kColumnValueNames[column], activeList.ColumnWidths[column]) && ok;
    ok = Registry.WriteString("FontName", activeList.FontName) && ok;
    ok = Registry.WriteInteger("FontStyle", activeList.FontStyle) && ok;
    ok = Registry.WriteInteger("FontSize", activeList.FontSize) && ok;
    return ok;
}

bool TSetupStore::SaveLedSetting(bool on) {
    return Registry.OpenKey(kSetupKey, true) && Registry.WriteBool("LED", on);
}

TResidentSettings TSetupStore::LoadResidentSettings() {
    TResidentSettings settings;
    if (!Registry.OpenKey(kSetupKey, false)) return settings;
    settings.Tray = Registry.ReadBool("Tray").value_or(true);
    settings.MinimizeToTray = Registry.ReadBool("MinimizeToTray").value_or(true);
    settings.Notify = Registry.ReadBool("Notify").value_or(true);
    settings.HintShown = Registry.ReadBool("TrayHintShown").value_or(false);
    return settings;
}

bool TSetupStore::SaveResidentSettings(const TResidentSettings& settings) {
    if (!Registry.OpenKey(kSetupKey, true)) return false;
    bool ok = Registry.WriteBool("Tray", settings.Tray);
    ok = Registry.WriteBool("MinimizeToTray", settings.MinimizeToTray) && ok;
    ok = Registry.WriteBool("Notify", settings.Notify) && ok;
    ok = Registry.WriteBool("TrayHintShown", settings.HintShown) && ok;
    return ok;
}

int TSetupStore::LoadLearnThreshold() {
    if (!Registry.OpenKey(kSetupKey, false)) return DefaultLearnThreshold;
    const int percent = Registry.ReadInteger("LearnThreshold").value_or(DefaultLearnThreshold);
    return percent >= 1 && percent <= 100 ? percent : DefaultLearnThreshold;
}

bool TSetupStore::SaveLearnThreshold(int percent) {
    return Registry.OpenKey(kSetupKey, true) && Registry.WriteInteger("LearnThreshold", percent);
}

bool TSetupStore::StartsWithWindows() {
    Registry.SetRoot(TRegistryRoot::CurrentUserHive);
    const bool on = Registry.OpenKey(kRunKey, false) && Registry.ValueExists(kRunValueName);
    Registry.SetRoot(TRegistryRoot::CurrentUser);
    return on;
}

bool TSetupStore::SaveStartWithWindows(bool on, const std::string& programPath) {
    Registry.SetRoot(TRegistryRoot::CurrentUserHive);
    bool ok;
    if (on) {
        ok = Registry.OpenKey(kRunKey, true) &&
             Registry.WriteString(kRunValueName, RunCommand(programPath));
    } else {
        // Nothing to remove is no failure.
        ok = !Registry.OpenKey(kRunKey, false) || !Registry.ValueExists(kRunValueName) ||
             Registry.DeleteValue(kRunValueName);
    }
    Registry.SetRoot(TRegistryRoot::CurrentUser);
    return ok;
}

std::string TSetupStore::RunCommand(const std::string& programPath) {
    return "\"" + programPath + "\" /tray";
}

int TSetupStore::SettingsVersionNumber(const std::string& versionText) {
    return static_cast<int>(std::lround(std::strtod(versionText.c_str(), nullptr) * 100));
}
