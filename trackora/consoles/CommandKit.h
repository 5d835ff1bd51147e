// Command buttons as table rows: a button names its command code and the payload fields it reads from the
// console's controls; one engine turns a row into the request bytes or into the message the user sees.
//
// Field rules: a one-byte field keeps the low 8 bits of the typed number; a two-byte field goes high byte
// first and must lie in 0..65535; a combo box gives its item index (-1 is the byte 0xFF); texts are code
// page 936 bytes. Every field is read before anything is sent: the first error wins and nothing goes out.
// A request is never longer than a frame can carry (kMaxFramePayload): a longer one is refused.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

class QWidget;

struct UserMessage {
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::None;
};

struct Request {
    uint16_t cmd = 0;
    std::string data;  // payload bytes
};

enum class PayloadKind {
    Text,         // the edit's bytes
    Byte,         // the edit's number, low 8 bits
    Hex8,         // the edit's text read as a hexadecimal number, low 8 bits
    BE16,         // the edit's number, two bytes high first
    BE24,         // the edit's number, low 24 bits, three bytes high first
    BE32,         // the edit's number, four bytes high first
    Index,        // the combo box index + `value` as one byte
    MappedIndex,  // map[index] as one byte; an index outside the map is refused
    SmsRecord,    // SmsSimRecord of the number edit `control` and the text edit `control2`
    Constant,     // the byte `value`
    HexBytes,  // the edit's text as pairs of hexadecimal digits, one byte each; an unpaired digit is ignored
    CountedHex,   // as HexBytes, after a byte that counts them
    CountedText,  // the edit's bytes after a byte that counts them
    PaddedText,   // the first `value` bytes of the edit, zero bytes where the text is shorter
    FilledText,   // the edit's bytes, then zero bytes until there are at least `value`
    NowTime6,     // the clock's local time: year in century, month, day, hour, minute, second
    Custom,       // built by `custom` from the controls `control` and `control2`
};

struct PayloadField;
// Appends a field no row kind can say; returns the message that stops the click instead.
using CustomPayload = std::optional<UserMessage> (*)(const QWidget* form, const PayloadField& field,
                                                     std::string& out);

struct PayloadField {
    PayloadKind kind;
    std::string control;
    std::string control2;
    int value = 0;
    std::vector<int> map;
    CustomPayload custom = nullptr;
};

enum class TextCheck {
    None,
    NoBlank,    // the first text may hold no blank, else "参数错误!"
    ParamText,  // the first text may not be empty and must start with "#"
};

struct CommandDecl {
    std::string button;  // objectName, "SpeedButton<n>"
    std::string caption;
    int code = -1;  // -1: a local action of the window, no command
    std::vector<PayloadField> payload;
    TextCheck check = TextCheck::None;
    // The button's own message for a number it cannot take (else the conversion error is shown).
    std::optional<UserMessage> badInput;
    bool hidden = false;
    std::vector<std::string> beside;  // controls and buttons laid out on the button's row
};

struct CommandResult {
    std::optional<Request> request;
    std::optional<UserMessage> message;
};

// Rows of the tables.
PayloadField TextField(const char* edit);
PayloadField ByteField(const char* edit);
PayloadField BE16Field(const char* edit);
PayloadField BE24Field(const char* edit);
PayloadField Hex8Field(const char* edit);
PayloadField BE32Field(const char* edit);
PayloadField IndexField(const char* combo, int offset = 0);
PayloadField MappedIndexField(const char* combo, std::vector<int> map);
PayloadField SmsRecordField(const char* numberEdit, const char* textEdit);
PayloadField ConstantField(int byte);
PayloadField HexBytesField(const char* edit);
PayloadField CountedHexField(const char* edit);
PayloadField CountedTextField(const char* edit);
PayloadField PaddedTextField(const char* edit, int width);
PayloadField FilledTextField(const char* edit, int width);
PayloadField NowTime6Field();
PayloadField CustomField(CustomPayload build, const char* control, const char* control2 = "");
CommandDecl Button(const char* button, const char* caption, int code = -1,
                   std::vector<PayloadField> payload = {}, std::vector<std::string> beside = {});
CommandDecl Hidden(CommandDecl decl);
CommandDecl Checked(CommandDecl decl, TextCheck check);
CommandDecl OwnMessage(CommandDecl decl, UserMessage message);

// A console's warning: the hint caption and the warning icon.
UserMessage WarningMessage(const QString& text);
// The plain message box of the program: the application's title, no icon.
UserMessage PlainMessage(const QString& text);
// The toolkit's conversion error for a text that is not a number.
UserMessage ConversionError(const QString& text);
void ShowUserMessage(const UserMessage& message);
// The message of a payload too long for one frame.
UserMessage TooLongMessage(size_t bytes);
// The message of a text longer than the length byte before it can count.
UserMessage LengthByteMessage(size_t bytes);
// The message of a combo box with no item selected where the command needs one.
UserMessage NoItemMessage();

// The bytes of a text of hexadecimal digit pairs (an unpaired last digit is ignored); nothing when a pair
// is not a hexadecimal number, with that pair in `bad`.
std::optional<std::string> HexPairBytes(const std::string& text, std::string* bad = nullptr);

// The message of a value that holds a separator of the text it goes into, naming the field (UTF-8).
UserMessage SeparatorMessage(const std::string& separator, const std::string& field);

// SmsSimRecord (commands 0x0310, 0x030D): number length, number, text length, text. Nothing when the
// number or the text is longer than its length byte can say.
std::optional<std::string> SmsSimRecord(const std::string& number, const std::string& text);

[[nodiscard]] CommandResult BuildCommand(const QWidget* form, const CommandDecl& decl);
// Sends a request as one frame; a payload over kMaxFramePayload shows a message and sends nothing.
bool SendRequest(const Request& request);
// Builds and sends a button's command, or shows its message. True when a frame was handed to the link.
bool RunCommand(const QWidget* form, const CommandDecl& decl);
