// Parameter text: the items "#KEY=value" (set, command 0x0201) and "#KEY" (query, command 0x0202) that
// configure a terminal. A console declares its pages as rows of fields; this engine builds the rows'
// controls, reads them into items in the page's set or query order, and keeps fields in a profile file.
//
// Only checked fields take part. Values are not checked: an edit goes as typed (an empty edit gives an
// item ending in "="), a combo box with nothing selected gives "-1". Texts are code page 936 bytes and
// every length counts those bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "consoles/CommandKit.h"
#include "consoles/ConsoleControls.h"

class QGridLayout;
class QWidget;
class TIniFile;

constexpr int kParamSetCmd = 0x0201;    // ParamSetText
constexpr int kParamQueryCmd = 0x0202;  // ParamQueryText

enum class PartKind {
    Edit,      // the edit text as typed
    Index,     // the combo box index (+ offset) in decimal, "0" put before a one-character number if pad2
    EastWest,  // "E" when the combo box has item 0 selected, else "W"
    Mapped,    // the text of the combo box index in `texts`; empty when nothing (or no such item) is selected
    Fixed,     // a text of the table's own, with no control
    Interval,  // an edit's text as exactly three characters (IntervalRule)
    Time,   // combo boxes of hours, minutes (and seconds) whose indices are the numbers, as two-digit groups
    Mask,   // check boxes, box n setting bit n - 1, as two upper-case hexadecimal digits
    Clock,  // the PC's date and time "yyyy-mm-dd hh:nn:ss" while its radio button is checked, else the edit
};

// Three characters from an interval edit: one gets "00" in front, two get "0", three stay; an empty edit
// gives "010"; a longer text is cut to its first three (CutLong) or gives "010" too (DefaultLong).
enum class IntervalRule { CutLong, DefaultLong };

// A part with a check box of its own: the part is written only while the box is checked.
struct PartGroup {
    std::string caption;
    bool checked = false;  // at start
    std::string prefix;    // written before the part's text when checked
    std::string suffix;    // written after it when checked
    std::string absent;    // written in its place when clear
};

struct ValuePart {
    PartKind kind;
    ControlDecl control;  // its name is given by the engine (see PartName)
    int offset = 0;
    bool pad2 = false;
    std::vector<int> values;          // Time: the numbers the combo boxes start at
    std::vector<std::string> labels;  // Time: label before each combo box; Mask: box captions;
                                      // Interval: a label after the edit
    IntervalRule rule = IntervalRule::CutLong;
    std::string source;  // Interval: the control name of another field's edit that holds the interval
    std::optional<PartGroup> group;
    std::vector<std::string> texts;  // Mapped: the text of each item
    std::string unit;                // Edit, Index, EastWest, Mapped: a label after the control ("秒")
};

// Value parts of the tables.
ValuePart EditPart(const std::string& text, bool hidden = false);
ValuePart ComboPart(std::vector<std::string> items, int index, int offset = 0, bool hidden = false);
ValuePart Pad2Part(std::vector<std::string> items, int index);
ValuePart EastWestPart(int index);
ValuePart MappedPart(std::vector<std::string> items, int index, std::vector<std::string> texts);
ValuePart FixedPart(const std::string& text);
ValuePart IntervalPart(IntervalRule rule, const std::string& text, const std::string& before,
                       const std::string& after);
ValuePart IntervalFrom(IntervalRule rule, const std::string& sourceControl);
// Two numbers give MakeHHMM, three MakeHHMMSS, four MakeHHMMHHMM, six two MakeHHMMSS groups.
ValuePart TimePart(std::vector<int> values, std::vector<std::string> labels = {});
ValuePart MaskPart(std::vector<std::string> captions);
ValuePart ClockPart(const std::string& radioCaption, const std::string& text);
ValuePart Labelled(ValuePart part, const std::string& label);
// The part with its unit shown after it, in a label named "<part>_Unit".
ValuePart WithUnit(ValuePart part, const std::string& unit);
ValuePart Optional(ValuePart part, const std::string& caption, bool checked, const std::string& absent = "",
                   const std::string& prefix = "", const std::string& suffix = "");

// The interval text of an edit's text under a rule (UTF-8 in, UTF-8 out).
std::string IntervalText(const std::string& typed, IntervalRule rule);

// The text of one part whose controls are named after `name`, code page 936.
std::string PartText(const QWidget* form, const ValuePart& part, const std::string& name);
// Makes a part's controls (with their labels) along row `row` of the grid from `column`; returns the next
// free column.
int AddPart(QWidget* owner, QGridLayout* grid, int row, int column, const ValuePart& part,
            const std::string& name);
// A composite too big for one cell beside the others: it is laid out on rows of its own.
bool IsWideField(const struct ParamField& field);

struct ParamField {
    std::string key;               // wire key
    std::string id;                // names the field's controls; unique within the console
    std::string caption;           // check box caption
    std::vector<ValuePart> parts;  // none: a query-only key
    std::string joiner;            // written between the parts
    std::string ini;               // field name in the profile file; empty when the field is not kept
    bool hidden = false;
};

struct ParamPage {
    std::string caption;
    std::vector<ParamField> fields;       // in set order (query-only fields are skipped when setting)
    std::vector<std::string> queryOrder;  // field ids; empty when the query order is the field order
};

enum class ParamMode { Set, Query };

// Rows of the consoles' tables whose controls are named after their keys, and the items most of them use.
ParamField Field(const char* key, const char* caption, std::vector<ValuePart> parts, const char* joiner = "");
ParamField QueryKey(const char* key, const char* caption);
// A field of one edit, or of one combo box, with its text or item at start.
ParamField EditField(const char* key, const char* caption, const char* text);
ParamField ComboField(const char* key, const char* caption, std::vector<std::string> items, int index);
// A field kept in the profile file under `name`; its controls are named after `name` too.
ParamField Kept(ParamField field, const char* name);
// A field whose controls are named after `id` rather than its key (a key the console shows twice).
ParamField Named(ParamField field, const char* id);
// A field whose row is not shown.
ParamField Hidden(ParamField field);
extern const std::vector<std::string> kForbidAllow;  // "禁止", "允许"

// Control names: the check box is "Check_<id>", a single value control "Value_<id>", and the parts of a
// composite "Value_<id>_1", "Value_<id>_2", ... Within a part named P: its own check box (PartGroup) is
// "P_Check", the combo boxes of a time and the boxes of a mask "P_1", "P_2", ..., the radio button of a
// clock "P_PC".
std::string CheckName(const ParamField& field);
std::string PartName(const ParamField& field, size_t part);

// Builds the rows of a page into `page` (two columns of rows).
void BuildParamPage(QWidget* page, const ParamPage& decl);

// The value text of a field as it goes after "=", code page 936.
std::string FieldValue(const QWidget* form, const ParamField& field);
// The items of the checked fields of a page, in the order of the mode, or the refusal of the first value
// holding "#": the terminal would read what follows it as an item of its own, one the user never set.
struct ParamItemsResult {
    std::vector<std::string> items;
    std::optional<UserMessage> refusal;  // items are empty when set
};
[[nodiscard]] ParamItemsResult ParamItems(const QWidget* form, const ParamPage& page, ParamMode mode);
std::string JoinItems(const std::vector<std::string>& items);

// Keeping fields in a profile file: for each named field in `order`, "<ini>_EN" is "1" or "0", and unless
// the field is query-only, "<ini>_VALUE" (one part) or "<ini>_VALUE1".. (several parts) holds the edit
// text or the combo box index. A missing key reads as "0". A value that cannot be applied (a combo box
// index that is not a number) leaves that one control as it is; the other keys still load.
void SaveParamFields(const QWidget* form, const std::vector<ParamPage>& pages,
                     const std::vector<std::string>& order, const std::string& section, TIniFile& ini);
void LoadParamFields(QWidget* form, const std::vector<ParamPage>& pages,
                     const std::vector<std::string>& order, const std::string& section, const TIniFile& ini);

// Longest batch of set items that the vehicle-tracker terminals take in one frame.
constexpr size_t kParamBatchLimit = 70;
// Adds one set item to the running batch and returns the new batch; when the item does not fit within
// kParamBatchLimit bytes, the batch so far (if it holds anything) is appended to `flushed` first and the
// item starts the next batch. An item is never split; one longer than the limit travels alone.
std::string SendWriteCmdDeal(const std::string& batch, const std::string& item,
                             std::vector<std::string>& flushed);
// All the batches of a list of items.
std::vector<std::string> CutIntoBatches(const std::vector<std::string>& items);

// The common click of a parameter console: the whole text of the page in one frame, command 0x0201 for a
// set and 0x0202 for a query; with no item checked, the message "您未选择设置项目" and nothing is sent; a
// refused value shows its message and nothing is sent.
bool SendParamText(const QWidget* form, const ParamPage& page, ParamMode mode);
