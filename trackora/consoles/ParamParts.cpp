#include <QGridLayout>
#include <QLabel>
#include <QWidget>

#include "consoles/ParamText.h"
#include "link/PublicData.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"

namespace {

// The interval a terminal takes when the edit gives it none it can read.
const char* const kDefaultInterval = "010";
constexpr qsizetype kIntervalLength = 3;
// Parts with this many controls or more do not fit one cell.
constexpr size_t kWideParts = 4;

std::string SubName(const std::string& name, size_t k) { return name + "_" + std::to_string(k + 1); }
std::string GroupName(const std::string& name) { return name + "_Check"; }
std::string RadioName(const std::string& name) { return name + "_PC"; }

// Time combo boxes go hours, minutes, seconds when their count is a multiple of three, else hours,
// minutes.
bool IsHourBox(size_t count, size_t k) { return count % 3 == 0 ? k % 3 == 0 : k % 2 == 0; }

std::string TimeText(const QWidget* form, const ValuePart& part, const std::string& name) {
    std::vector<int> n;
    for (size_t k = 0; k < part.values.size(); ++k) n.push_back(ComboIndex(form, SubName(name, k)));
    switch (n.size()) {
        case 2:
            return MakeHHMM(n[0], n[1]);
        case 3:
            return MakeHHMMSS(n[0], n[1], n[2]);
        case 4:
            return MakeHHMMHHMM(n[0], n[1], n[2], n[3]);
        case 6:
            return MakeHHMMSS(n[0], n[1], n[2]) + MakeHHMMSS(n[3], n[4], n[5]);
        default: {
            std::string text;
            for (int v : n) text += TwoDigitText(v);
            return text;
        }
    }
}

std::string MaskText(const QWidget* form, const ValuePart& part, const std::string& name) {
    unsigned mask = 0;
    for (size_t k = 0; k < part.labels.size(); ++k) {
        if (IsChecked(form, SubName(name, k))) mask |= 1u << k;
    }
    return QStringLiteral("%1").arg(mask, 2, 16, QLatin1Char('0')).toUpper().toStdString();
}

std::string OwnText(const QWidget* form, const ValuePart& part, const std::string& name) {
    switch (part.kind) {
        case PartKind::Edit:
            return EditBytes(form, name);
        case PartKind::Index: {
            const int index = ComboIndex(form, name);
            return part.pad2 ? TwoDigitText(index + part.offset) : std::to_string(index + part.offset);
        }
        case PartKind::EastWest:
            return ComboIndex(form, name) == 0 ? "E" : "W";
        case PartKind::Mapped: {
            const int index = ComboIndex(form, name);
            return index >= 0 && index < static_cast<int>(part.texts.size()) ? part.texts[index]
                                                                             : std::string();
        }
        case PartKind::Fixed:
            return part.control.text;
        case PartKind::Interval: {
            const std::string& edit = part.source.empty() ? name : part.source;
            return Utf8ToCp936(IntervalText(EditText(form, edit).toStdString(), part.rule));
        }
        case PartKind::Time:
            return TimeText(form, part, name);
        case PartKind::Mask:
            return MaskText(form, part, name);
        case PartKind::Clock:
            if (IsChecked(form, RadioName(name)))
                return CurrentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toStdString();
            return EditBytes(form, name);
    }
    return {};
}

ControlDecl Control(CtlKind kind, const std::string& text = {}, std::vector<std::string> items = {},
                    int index = 0) {
    return {kind, {}, {}, text, std::move(items), index, false};
}

ValuePart Part(PartKind kind, ControlDecl control, int offset = 0, bool pad2 = false) {
    ValuePart part{};
    part.kind = kind;
    part.control = std::move(control);
    part.offset = offset;
    part.pad2 = pad2;
    return part;
}

void AddLabel(QWidget* owner, QGridLayout* grid, int row, int& column, const std::string& text) {
    if (text.empty()) return;
    grid->addWidget(new QLabel(QString::fromStdString(text), owner), row, column++);
}

}  // namespace

const std::vector<std::string> kForbidAllow{"禁止", "允许"};

ParamField Field(const char* key, const char* caption, std::vector<ValuePart> parts, const char* joiner) {
    return {key, key, caption, std::move(parts), joiner, "", false};
}

ParamField QueryKey(const char* key, const char* caption) { return {key, key, caption, {}, "", "", false}; }

ParamField EditField(const char* key, const char* caption, const char* text) {
    return Field(key, caption, {EditPart(text)});
}

ParamField ComboField(const char* key, const char* caption, std::vector<std::string> items, int index) {
    return Field(key, caption, {ComboPart(std::move(items), index)});
}

ParamField Kept(ParamField field, const char* name) {
    field.id = name;
    field.ini = name;
    return field;
}

ParamField Named(ParamField field, const char* id) {
    field.id = id;
    return field;
}

ParamField Hidden(ParamField field) {
    field.hidden = true;
    return field;
}

ValuePart EditPart(const std::string& text, bool hidden) {
    return Part(PartKind::Edit, {CtlKind::Edit, {}, {}, text, {}, 0, hidden});
}

ValuePart ComboPart(std::vector<std::string> items, int index, int offset, bool hidden) {
    return Part(PartKind::Index, {CtlKind::Combo, {}, {}, {}, std::move(items), index, hidden}, offset);
}

ValuePart Pad2Part(std::vector<std::string> items, int index) {
    return Part(PartKind::Index, Control(CtlKind::Combo, {}, std::move(items), index), 0, true);
}

ValuePart EastWestPart(int index) {
    return Part(PartKind::EastWest, Control(CtlKind::Combo, {}, {"E", "W"}, index));
}

ValuePart MappedPart(std::vector<std::string> items, int index, std::vector<std::string> texts) {
    ValuePart part = Part(PartKind::Mapped, Control(CtlKind::Combo, {}, std::move(items), index));
    part.texts = std::move(texts);
    return part;
}

ValuePart FixedPart(const std::string& text) { return Part(PartKind::Fixed, Control(CtlKind::Edit, text)); }

ValuePart IntervalPart(IntervalRule rule, const std::string& text, const std::string& before,
                       const std::string& after) {
    ValuePart part = Part(PartKind::Interval, Control(CtlKind::Edit, text));
    part.control.caption = before;
    part.labels = {after};
    part.rule = rule;
    return part;
}

ValuePart IntervalFrom(IntervalRule rule, const std::string& sourceControl) {
    ValuePart part = Part(PartKind::Interval, Control(CtlKind::Edit));
    part.rule = rule;
    part.source = sourceControl;
    return part;
}

ValuePart TimePart(std::vector<int> values, std::vector<std::string> labels) {
    ValuePart part = Part(PartKind::Time, Control(CtlKind::Combo));
    part.values = std::move(values);
    part.labels = std::move(labels);
    return part;
}

ValuePart MaskPart(std::vector<std::string> captions) {
    ValuePart part = Part(PartKind::Mask, Control(CtlKind::Check));
    part.labels = std::move(captions);
    return part;
}

ValuePart ClockPart(const std::string& radioCaption, const std::string& text) {
    ValuePart part = Part(PartKind::Clock, Control(CtlKind::Edit, text));
    part.labels = {radioCaption};
    return part;
}

ValuePart Labelled(ValuePart part, const std::string& label) {
    part.control.caption = label;
    return part;
}

ValuePart WithUnit(ValuePart part, const std::string& unit) {
    part.unit = unit;
    return part;
}

ValuePart Optional(ValuePart part, const std::string& caption, bool checked, const std::string& absent,
                   const std::string& prefix, const std::string& suffix) {
    part.group = PartGroup{caption, checked, prefix, suffix, absent};
    return part;
}

std::string IntervalText(const std::string& typed, IntervalRule rule) {
    const QString text = QString::fromStdString(typed);
    switch (text.size()) {
        case 0:
            return kDefaultInterval;
        case 1:
            return "00" + typed;
        case 2:
            return "0" + typed;
        case kIntervalLength:
            return typed;
        default:
            return rule == IntervalRule::CutLong ? text.left(kIntervalLength).toStdString()
                                                 : kDefaultInterval;
    }
}

std::string PartText(const QWidget* form, const ValuePart& part, const std::string& name) {
    if (part.group) {
        if (!IsChecked(form, GroupName(name))) return part.group->absent;
        return part.group->prefix + OwnText(form, part, name) + part.group->suffix;
    }
    return OwnText(form, part, name);
}

int AddPart(QWidget* owner, QGridLayout* grid, int row, int column, const ValuePart& part,
            const std::string& name) {
    if (part.group) {
        column =
            AddControl(owner, grid, row, column,
                       CheckDecl(GroupName(name).c_str(), part.group->caption.c_str(), part.group->checked));
    }
    switch (part.kind) {
        case PartKind::Edit:
        case PartKind::Index:
        case PartKind::EastWest:
        case PartKind::Mapped: {
            ControlDecl control = part.control;
            control.name = name;
            column = AddControl(owner, grid, row, column, control);
            if (!part.unit.empty()) {
                auto* unit = new QLabel(QString::fromStdString(part.unit), owner);
                unit->setObjectName(QString::fromStdString(name + "_Unit"));
                grid->addWidget(unit, row, column++);
            }
            return column;
        }
        case PartKind::Fixed:
            return column;
        case PartKind::Interval:
            if (!part.source.empty()) return column;
            column =
                AddControl(owner, grid, row, column,
                           EditDecl(name.c_str(), part.control.caption.c_str(), part.control.text.c_str()));
            if (!part.labels.empty()) AddLabel(owner, grid, row, column, part.labels[0]);
            return column;
        case PartKind::Time:
            for (size_t k = 0; k < part.values.size(); ++k) {
                const bool hours = IsHourBox(part.values.size(), k);
                const std::string label = k < part.labels.size() ? part.labels[k] : "";
                column = AddControl(owner, grid, row, column,
                                    ComboDecl(SubName(name, k).c_str(), label.c_str(),
                                              NumberedItems("", 0, hours ? 23 : 59), part.values[k]));
            }
            return column;
        case PartKind::Mask:
            for (size_t k = 0; k < part.labels.size(); ++k)
                column = AddControl(owner, grid, row, column,
                                    CheckDecl(SubName(name, k).c_str(), part.labels[k].c_str(), false));
            return column;
        case PartKind::Clock:
            ControlDecl radio = CheckDecl(RadioName(name).c_str(), part.labels.at(0).c_str(), true);
            radio.kind = CtlKind::Radio;
            column = AddControl(owner, grid, row, column, radio);
            return AddControl(owner, grid, row, column,
                              EditDecl(name.c_str(), "", part.control.text.c_str()));
    }
    return column;
}

bool IsWideField(const ParamField& field) {
    if (field.parts.size() >= kWideParts) return true;
    for (const auto& part : field.parts) {
        if (part.group || part.kind == PartKind::Time || part.kind == PartKind::Mask ||
            part.kind == PartKind::Clock || part.kind == PartKind::Interval)
            return true;
    }
    return false;
}
