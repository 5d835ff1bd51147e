// The controls every console is made of, declared as table rows and built by one engine, and the rules by
// which a button reads them: an edit gives its text as code page 936 bytes, a check box its state, and a
// combo box its item index (-1 when nothing is selected, also when its typed text matches no item).
#pragma once

#include <QComboBox>
#include <QString>
#include <string>
#include <vector>

#include "platform/HiddenLayout.h"

class QGridLayout;
class QWidget;

// An editable drop-down that keeps its item index the way the terminal tools always did: picking an item
// selects it, typing selects the item whose text matches exactly, or none (-1) when no item matches.
class TComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit TComboBox(QWidget* parent = nullptr);
    int ItemIndex() const { return itemIndex_; }
    // An index outside the items selects nothing and clears the text.
    void SetItemIndex(int index);
    // No item selected while the box shows a text (which may equal an item's).
    void SetNoSelection(const QString& text);
    // The toolkit sizes the box for its longest item but leaves out the gap its line edit keeps on each
    // side of the text, which would cut the last letter of that item.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  private:
    int itemIndex_ = -1;
};

enum class CtlKind { Check, Radio, Edit, Combo };

struct ControlDecl {
    CtlKind kind;
    std::string name;                // objectName, by which buttons and tests find the control
    std::string caption;             // check box caption, or the label shown before an edit or combo box
    std::string text;                // edit text; for a combo box with index -1, the text it shows
    std::vector<std::string> items;  // combo box items
    int index = 0;                   // combo box item selected at start (-1: none); a check box or radio
                                     // button: 1 checked
    bool hidden = false;
};

// Rows of the tables.
ControlDecl EditDecl(const char* name, const char* label, const char* text, bool hidden = false);
ControlDecl CheckDecl(const char* name, const char* caption, bool checked, bool hidden = false);
ControlDecl ComboDecl(const char* name, const char* label, std::vector<std::string> items, int index,
                      bool hidden = false);

// Items "<prefix><n><suffix>" for n = first..last, n written with at least `width` digits.
std::vector<std::string> NumberedItems(const std::string& prefix, int first, int last,
                                       const std::string& suffix = "", int width = 1);

// Makes the control of a declaration (with its label, if any) and adds it at the end of row `row` of the
// grid, starting at `column`; returns the next free column.
int AddControl(QWidget* owner, QGridLayout* grid, int row, int column, const ControlDecl& decl);
// Puts a control back to its declared start state.
void ResetControl(QWidget* owner, const ControlDecl& decl);

// Reading controls by name. A name no control has reads as empty, unchecked or -1.
bool IsChecked(const QWidget* owner, const std::string& name);
void SetChecked(QWidget* owner, const std::string& name, bool checked);
QString EditText(const QWidget* owner, const std::string& name);
std::string EditBytes(const QWidget* owner, const std::string& name);  // code page 936
void SetEditText(QWidget* owner, const std::string& name, const QString& text);
int ComboIndex(const QWidget* owner, const std::string& name);
void SetComboIndex(QWidget* owner, const std::string& name, int index);
