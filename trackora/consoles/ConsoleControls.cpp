#include "consoles/ConsoleControls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

#include "platform/TextCodec.h"

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // No inline completion: the box must show exactly what was typed, since that text decides the index.
    setCompleter(nullptr);
    // Picking the item already current after typing over it changes no index, only activates it.
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) { itemIndex_ = index; });
    connect(this, &QComboBox::activated, this, [this](int index) { itemIndex_ = index; });
    connect(lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { itemIndex_ = findText(text, Qt::MatchExactly); });
}

namespace {
constexpr int kEditTextGap = 2;  // the line edit's own margin on each side of its text
}  // namespace

QSize TComboBox::sizeHint() const { return QComboBox::sizeHint() + QSize(2 * kEditTextGap, 0); }
QSize TComboBox::minimumSizeHint() const { return QComboBox::minimumSizeHint() + QSize(2 * kEditTextGap, 0); }

void TComboBox::SetItemIndex(int index) {
    if (index < 0 || index >= count()) index = -1;
    setCurrentIndex(index);
    if (index < 0) setEditText(QString());
    itemIndex_ = index;
}

void TComboBox::SetNoSelection(const QString& text) {
    setCurrentIndex(-1);
    setEditText(text);
    itemIndex_ = -1;
}

ControlDecl EditDecl(const char* name, const char* label, const char* text, bool hidden) {
    return {CtlKind::Edit, name, label, text, {}, 0, hidden};
}

ControlDecl CheckDecl(const char* name, const char* caption, bool checked, bool hidden) {
    return {CtlKind::Check, name, caption, {}, {}, checked ? 1 : 0, hidden};
}

ControlDecl ComboDecl(const char* name, const char* label, std::vector<std::string> items, int index,
                      bool hidden) {
    return {CtlKind::Combo, name, label, {}, std::move(items), index, hidden};
}

std::vector<std::string> NumberedItems(const std::string& prefix, int first, int last,
                                       const std::string& suffix, int width) {
    std::vector<std::string> items;
    for (int n = first; n <= last; ++n) {
        std::string digits = std::to_string(n);
        if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
        items.push_back(prefix + digits + suffix);
    }
    return items;
}

namespace {

constexpr int kEditPadding = 16;

// A radio button that a click only ever checks. Qt lets a click clear a radio button that has no sibling
// to take over, which would leave a lone choice ("PC时钟") with no way back; in a group a click on a
// checked button changes nothing anyway.
class TRadioButton : public QRadioButton {
  public:
    using QRadioButton::QRadioButton;

  protected:
    void nextCheckState() override {
        if (!isChecked()) setChecked(true);
    }
};
constexpr int kEditMaxStartWidth = 400;

void ApplyVisibility(QWidget* w, bool hidden) {
    if (hidden && !kShowHiddenControls) w->setVisible(false);
}

}  // namespace

int AddControl(QWidget* owner, QGridLayout* grid, int row, int column, const ControlDecl& decl) {
    QWidget* widget = nullptr;
    if (decl.kind == CtlKind::Check) {
        widget = new QCheckBox(QString::fromStdString(decl.caption), owner);
    } else if (decl.kind == CtlKind::Radio) {
        widget = new TRadioButton(QString::fromStdString(decl.caption), owner);
    } else {
        if (!decl.caption.empty()) {
            auto* label = new QLabel(QString::fromStdString(decl.caption), owner);
            label->setObjectName(QString::fromStdString(decl.name + "_Label"));
            grid->addWidget(label, row, column++);
            ApplyVisibility(label, decl.hidden);
        }
        if (decl.kind == CtlKind::Edit) {
            auto* edit = new QLineEdit(owner);
            // Wide enough to show its start text whole.
            const int textWidth = edit->fontMetrics().horizontalAdvance(QString::fromStdString(decl.text));
            edit->setMinimumWidth(std::min(textWidth + kEditPadding, kEditMaxStartWidth));
            widget = edit;
        } else {
            auto* combo = new TComboBox(owner);
            for (const auto& item : decl.items) combo->addItem(QString::fromStdString(item));
            widget = combo;
        }
    }
    widget->setObjectName(QString::fromStdString(decl.name));
    grid->addWidget(widget, row, column++);
    ApplyVisibility(widget, decl.hidden);
    ResetControl(owner, decl);
    return column;
}

void ResetControl(QWidget* owner, const ControlDecl& decl) {
    switch (decl.kind) {
        case CtlKind::Check:
        case CtlKind::Radio:
            SetChecked(owner, decl.name, decl.index == 1);
            break;
        case CtlKind::Edit:
            SetEditText(owner, decl.name, QString::fromStdString(decl.text));
            break;
        case CtlKind::Combo:
            if (auto* combo = owner->findChild<TComboBox*>(QString::fromStdString(decl.name))) {
                if (decl.index < 0)
                    combo->SetNoSelection(QString::fromStdString(decl.text));
                else
                    combo->SetItemIndex(decl.index);
            }
            break;
    }
}

// Check boxes and radio buttons alike; a push button is never a state.
bool IsChecked(const QWidget* owner, const std::string& name) {
    const auto* box = owner->findChild<QAbstractButton*>(QString::fromStdString(name));
    return box && box->isCheckable() && box->isChecked();
}

void SetChecked(QWidget* owner, const std::string& name, bool checked) {
    auto* box = owner->findChild<QAbstractButton*>(QString::fromStdString(name));
    if (box && box->isCheckable()) {
        // A lone radio button cannot be cleared through its group's exclusivity.
        const bool exclusive = box->autoExclusive();
        box->setAutoExclusive(false);
        box->setChecked(checked);
        box->setAutoExclusive(exclusive);
    }
}

QString EditText(const QWidget* owner, const std::string& name) {
    const auto* edit = owner->findChild<QLineEdit*>(QString::fromStdString(name));
    return edit ? edit->text() : QString();
}

std::string EditBytes(const QWidget* owner, const std::string& name) {
    return Utf8ToCp936(EditText(owner, name).toStdString());
}

void SetEditText(QWidget* owner, const std::string& name, const QString& text) {
    if (auto* edit = owner->findChild<QLineEdit*>(QString::fromStdString(name))) edit->setText(text);
}

int ComboIndex(const QWidget* owner, const std::string& name) {
    const auto* combo = owner->findChild<TComboBox*>(QString::fromStdString(name));
    return combo ? combo->ItemIndex() : -1;
}

void SetComboIndex(QWidget* owner, const std::string& name, int index) {
    if (auto* combo = owner->findChild<TComboBox*>(QString::fromStdString(name))) combo->SetItemIndex(index);
}
