#include "consoles/SlotRows.h"

#include <QGridLayout>
#include <QLabel>

#include "consoles/ConsoleControls.h"
#include "consoles/ConsoleSamples.h"

namespace {

// What a new row's name or reminder holds before the user types the real one.
const char* const kSampleName = "提示";

struct ListRow {
    SlotListKind kind;
    const char* prefix;
    const char* label;  // names the list in messages
    size_t slotCount;
    int setCmd;
    int queryCmd;
    const char* setCaption;
    const char* queryCaption;
};

constexpr ListRow kLists[] = {
    {SlotListKind::Alarms, "Alarm", "alarm", kAlarmSlots, kAlarmSetCmd, kAlarmQueryCmd, "设置闹铃",
     "查询闹铃"},
    {SlotListKind::SpeedDial, "SpeedDial", "speed dial", kSpeedDialSlots, kSpeedDialSetCmd,
     kSpeedDialQueryCmd, "设置速拔号", "查询速拔号"},
    {SlotListKind::WhiteList, "WhiteList", "white list", kWhiteListSlots, kWhiteListSetCmd,
     kWhiteListQueryCmd, "设置白名单", "查询白名单"},
};

const ListRow& List(SlotListKind kind) {
    for (const auto& list : kLists) {
        if (list.kind == kind) return list;
    }
    return kLists[0];
}

std::vector<AlarmRow> ReadAlarms(const QWidget* form, const SlotListDecl& decl) {
    std::vector<AlarmRow> rows;
    for (size_t n = 1; n <= decl.rows; ++n) {
        auto name = [&](const char* control) { return SlotControlName(decl.kind, n, control); };
        rows.push_back({IsChecked(form, name("Check")), ComboIndex(form, name("OnOff")),
                        ComboIndex(form, name("Day")), ComboIndex(form, name("Hour")),
                        ComboIndex(form, name("Minute")), EditBytes(form, name("Text"))});
    }
    return rows;
}

std::vector<NumberRow> ReadNumbers(const QWidget* form, const SlotListDecl& decl) {
    std::vector<NumberRow> rows;
    for (size_t n = 1; n <= decl.rows; ++n) {
        auto name = [&](const char* control) { return SlotControlName(decl.kind, n, control); };
        rows.push_back(
            {IsChecked(form, name("Check")), EditBytes(form, name("Number")), EditBytes(form, name("Name"))});
    }
    return rows;
}

}  // namespace

std::string SlotControlName(SlotListKind kind, size_t row, const char* control) {
    return std::string(List(kind).prefix) + std::to_string(row) + "_" + control;
}

const char* SlotSetCaption(SlotListKind kind) { return List(kind).setCaption; }
const char* SlotQueryCaption(SlotListKind kind) { return List(kind).queryCaption; }

int AddSlotRows(QWidget* owner, QGridLayout* grid, int row, const SlotListDecl& decl) {
    for (size_t n = 1; n <= decl.rows; ++n, ++row) {
        auto name = [&](const char* control) { return SlotControlName(decl.kind, n, control); };
        int column = AddControl(owner, grid, row, 0,
                                CheckDecl(name("Check").c_str(), std::to_string(n).c_str(), false));
        if (decl.kind == SlotListKind::Alarms) {
            for (const ControlDecl& c : {ComboDecl(name("OnOff").c_str(), "", {"关", "开"}, 0),
                                         ComboDecl(name("Day").c_str(), "", {"一次", "每天", "工作日"}, 2),
                                         ComboDecl(name("Hour").c_str(), "", NumberedItems("", 0, 23), 0),
                                         ComboDecl(name("Minute").c_str(), "", NumberedItems("", 0, 59), 0),
                                         EditDecl(name("Text").c_str(), "", kSampleName)})
                column = AddControl(owner, grid, row, column, c);
        } else {
            column =
                AddControl(owner, grid, row, column, EditDecl(name("Number").c_str(), "", kSampleMobile));
            AddControl(owner, grid, row, column, EditDecl(name("Name").c_str(), "", kSampleName));
        }
    }
    return row;
}

CommandResult BuildSlotList(const QWidget* form, const SlotListDecl& decl) {
    const ListRow& list = List(decl.kind);
    std::optional<SlotFault> fault;
    std::string text;
    if (decl.kind == SlotListKind::Alarms) {
        const auto rows = ReadAlarms(form, decl);
        fault = AlarmSlotFault(rows);
        text = AlarmSlotText(rows);
    } else {
        const auto rows = ReadNumbers(form, decl);
        fault = NumberSlotFault(rows, list.slotCount);
        text = SpeedDialSlotText(rows, list.slotCount);
    }
    if (fault) {
        return {std::nullopt,
                SeparatorMessage(fault->separator, std::string(list.label) + " " +
                                                       std::to_string(fault->slot) + " " + fault->field)};
    }
    return {Request{static_cast<uint16_t>(list.setCmd), text}, std::nullopt};
}

Request SlotQuery(const SlotListDecl& decl) { return {static_cast<uint16_t>(List(decl.kind).queryCmd), {}}; }
