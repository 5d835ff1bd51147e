#include "consoles/ParamText.h"

#include <QGridLayout>
#include <QWidget>
#include <algorithm>

#include "consoles/CommandKit.h"
#include "link/PublicData.h"
#include "platform/IniFile.h"
#include "platform/StrToInt.h"
#include "platform/TextCodec.h"

namespace {

// Starts every item; a value cannot hold it.
const std::string kItemMark = "#";

// Fields are laid out in three columns so the longest page fits beside the output window.
constexpr int kFieldColumns = 3;
constexpr int kValueWidth = 130;
constexpr int kPartWidth = 70;
// A wide composite wraps its parts after this many.
constexpr int kWidePartsPerLine = 2;

const ParamField* FindField(const std::vector<ParamPage>& pages, const std::string& ini) {
    for (const auto& page : pages) {
        for (const auto& field : page.fields) {
            if (field.ini == ini) return &field;
        }
    }
    return nullptr;
}

std::vector<std::string> ValueKeys(const ParamField& field) {
    if (field.parts.size() == 1) return {field.ini + "_VALUE"};
    std::vector<std::string> keys;
    for (size_t i = 0; i < field.parts.size(); ++i)
        keys.push_back(field.ini + "_VALUE" + std::to_string(i + 1));
    return keys;
}

}  // namespace

std::string CheckName(const ParamField& field) { return "Check_" + field.id; }

std::string PartName(const ParamField& field, size_t part) {
    if (field.parts.size() == 1) return "Value_" + field.id;
    return "Value_" + field.id + "_" + std::to_string(part + 1);
}

void BuildParamPage(QWidget* page, const ParamPage& decl) {
    auto* grid = new QGridLayout(page);
    // Hidden fields go after the shown ones so they leave no gaps between them; wide composites take rows
    // of their own below the others.
    std::vector<const ParamField*> order;
    std::vector<const ParamField*> wide;
    for (const auto& field : decl.fields) {
        if (IsWideField(field))
            wide.push_back(&field);
        else if (!field.hidden)
            order.push_back(&field);
    }
    for (const auto& field : decl.fields) {
        if (field.hidden && !IsWideField(field)) order.push_back(&field);
    }
    int n = 0;
    for (const ParamField* field : order) {
        const int row = n / kFieldColumns;
        const int column = (n % kFieldColumns) * 2;
        ++n;
        AddControl(page, grid, row, column,
                   {CtlKind::Check, CheckName(*field), field->caption, {}, {}, 0, field->hidden});
        if (field->parts.empty()) continue;
        // The parts of a value share one cell, so a composite is as wide as a plain edit.
        auto* value = new QWidget(page);
        auto* parts = new QGridLayout(value);
        parts->setContentsMargins(0, 0, 0, 0);
        int partColumn = 0;
        for (size_t i = 0; i < field->parts.size(); ++i)
            partColumn = AddPart(page, parts, 0, partColumn, field->parts[i], PartName(*field, i));
        // Never narrower than its parts need: a start text or an item wider than the cell stays readable.
        const int cell =
            field->parts.size() == 1 ? kValueWidth : kPartWidth * static_cast<int>(field->parts.size());
        value->setMaximumWidth(std::max(cell, value->minimumSizeHint().width()));
        grid->addWidget(value, row, column + 1);
    }
    int row = (n + kFieldColumns - 1) / kFieldColumns;
    for (const ParamField* field : wide) {
        AddControl(page, grid, row, 0,
                   {CtlKind::Check, CheckName(*field), field->caption, {}, {}, 0, field->hidden});
        auto* value = new QWidget(page);
        auto* parts = new QGridLayout(value);
        parts->setContentsMargins(0, 0, 0, 0);
        for (size_t i = 0; i < field->parts.size(); ++i) {
            auto* part = new QWidget(value);
            auto* cells = new QGridLayout(part);
            cells->setContentsMargins(0, 0, 0, 0);
            AddPart(page, cells, 0, 0, field->parts[i], PartName(*field, i));
            const int line = static_cast<int>(i) / kWidePartsPerLine;
            parts->addWidget(part, line, static_cast<int>(i) % kWidePartsPerLine, Qt::AlignLeft);
        }
        grid->addWidget(value, row++, 1, 1, kFieldColumns * 2 - 1);
    }
    grid->setRowStretch(row, 1);
}

std::string FieldValue(const QWidget* form, const ParamField& field) {
    std::string value;
    for (size_t i = 0; i < field.parts.size(); ++i) {
        if (i > 0) value += field.joiner;
        value += PartText(form, field.parts[i], PartName(field, i));
    }
    return value;
}

ParamItemsResult ParamItems(const QWidget* form, const ParamPage& page, ParamMode mode) {
    std::vector<const ParamField*> order;
    if (mode == ParamMode::Query && !page.queryOrder.empty()) {
        for (const auto& id : page.queryOrder) {
            auto it = std::find_if(page.fields.begin(), page.fields.end(),
                                   [&](const ParamField& f) { return f.id == id; });
            if (it != page.fields.end()) order.push_back(&*it);
        }
    } else {
        for (const auto& field : page.fields) order.push_back(&field);
    }
    ParamItemsResult result;
    for (const ParamField* field : order) {
        if (!IsChecked(form, CheckName(*field))) continue;
        if (mode == ParamMode::Set) {
            if (field->parts.empty()) continue;
            const std::string value = FieldValue(form, *field);
            if (value.find(kItemMark) != std::string::npos) {
                return {{},
                        SeparatorMessage(kItemMark, field->caption.empty() ? field->key : field->caption)};
            }
            result.items.push_back(kItemMark + field->key + "=" + value);
        } else {
            result.items.push_back(kItemMark + field->key);
        }
    }
    return result;
}

std::string JoinItems(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += item;
    return text;
}

void SaveParamFields(const QWidget* form, const std::vector<ParamPage>& pages,
                     const std::vector<std::string>& order, const std::string& section, TIniFile& ini) {
    for (const auto& name : order) {
        const ParamField* field = FindField(pages, name);
        if (!field) continue;
        ini.WriteString(section, name + "_EN", IsChecked(form, CheckName(*field)) ? "1" : "0");
        const auto keys = ValueKeys(*field);
        for (size_t i = 0; i < field->parts.size(); ++i) {
            const std::string control = PartName(*field, i);
            const std::string value = field->parts[i].control.kind == CtlKind::Edit
                                          ? EditBytes(form, control)
                                          : std::to_string(ComboIndex(form, control));
            ini.WriteString(section, keys[i], value);
        }
    }
}

void LoadParamFields(QWidget* form, const std::vector<ParamPage>& pages,
                     const std::vector<std::string>& order, const std::string& section, const TIniFile& ini) {
    for (const auto& name : order) {
        const ParamField* field = FindField(pages, name);
        if (!field) continue;
        SetChecked(form, CheckName(*field), ini.ReadString(section, name + "_EN", "0") == "1");
        const auto keys = ValueKeys(*field);
        for (size_t i = 0; i < field->parts.size(); ++i) {
            const std::string control = PartName(*field, i);
            const std::string value = ini.ReadString(section, keys[i], "0");
            if (field->parts[i].control.kind == CtlKind::Edit) {
                SetEditText(form, control, QString::fromStdString(Cp936ToUtf8(value)));
            } else if (auto index = TryStrToInt(value)) {
                SetComboIndex(form, control, *index);
            }
        }
    }
}

std::string SendWriteCmdDeal(const std::string& batch, const std::string& item,
                             std::vector<std::string>& flushed) {
    if (batch.size() + item.size() <= kParamBatchLimit) return batch + item;
    if (!batch.empty()) flushed.push_back(batch);
    return item;
}

std::vector<std::string> CutIntoBatches(const std::vector<std::string>& items) {
    std::vector<std::string> batches;
    std::string batch;
    for (const auto& item : items) batch = SendWriteCmdDeal(batch, item, batches);
    if (!batch.empty()) batches.push_back(batch);
    return batches;
}

bool SendParamText(const QWidget* form, const ParamPage& page, ParamMode mode) {
    const ParamItemsResult items = ParamItems(form, page, mode);
    if (items.refusal) {
        ShowUserMessage(*items.refusal);
        return false;
    }
    const std::string text = JoinItems(items.items);
    if (text.empty()) {
        ShowUserMessage(WarningMessage(QString::fromUtf8("您未选择设置项目")));
        return false;
    }
    return SendRequest({static_cast<uint16_t>(mode == ParamMode::Set ? kParamSetCmd : kParamQueryCmd), text});
}
