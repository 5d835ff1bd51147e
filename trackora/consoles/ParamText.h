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

class QWidget;
class TIniFile;

constexpr int kParamSetCmd = 0x0201;    // ParamSetText
constexpr int kParamQueryCmd = 0x0202;  // ParamQueryText

enum class PartKind {
    Edit,      // the edit text as typed
    Index,     // the combo box index (+ offset) in decimal, "0" put before a one-character number if pad2
    EastWest,  // "E" when the combo box has item 0 selected, else "W"
    Mapped,    // the text of the combo box index in `texts`; empty when nothing (or no such item) is selected
};

struct ValuePart {
    PartKind kind;
    ControlDecl control;  // its name is given by the engine (see PartName)
    int offset = 0;
    bool pad2 = false;
    std::vector<std::string> texts;
};

// Value parts of the tables.
ValuePart EditPart(const std::string& text, bool hidden = false);
ValuePart ComboPart(std::vector<std::string> items, int index, int offset = 0, bool hidden = false);
ValuePart Pad2Part(std::vector<std::string> items, int index);
ValuePart EastWestPart(int index);
ValuePart MappedPart(std::vector<std::string> items, int index, std::vector<std::string> texts);

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

// Control names: the check box is "Check_<id>", a single value control "Value_<id>", and the parts of a
// composite "Value_<id>_1", "Value_<id>_2", ...
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
