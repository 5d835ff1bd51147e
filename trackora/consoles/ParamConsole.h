// A parameter console declared as pages: each page may hold parameter fields, slot lists and command
// buttons. Outside the pages, a set and a query button work on the active page, and a console may have
// "全部选择" and "全部清除" for a fixed set of its check boxes.
//
// Buttons: SpeedButton1 sets, SpeedButton2 queries, SpeedButton3 and SpeedButton4 select and clear; the
// command and slot list buttons carry the names their tables give.
#pragma once

#include <QTabWidget>
#include <string>
#include <vector>

#include "consoles/ConsoleForm.h"
#include "consoles/ParamText.h"
#include "consoles/SlotRows.h"

class QVBoxLayout;
class TParamConsole;

// Builds, at the foot of a page, what no row can say (labels a reply fills, a memo, buttons the window
// handles itself). The window is not complete yet: it finds what the hook built by name afterwards.
using PageHook = void (*)(TParamConsole& form, QWidget* page, QVBoxLayout* column);

// A headed group of a page's fields, in field order.
struct FieldGroup {
    const char* name;     // the group box's objectName
    const char* heading;  // its title
    size_t fields;        // how many of the page's fields, following the group before
};

struct ConsolePage {
    ParamPage params;  // caption and fields; a page without fields sets and queries nothing
    std::vector<SlotListDecl> slotLists;
    std::vector<ControlDecl> controls;  // what the page's commands read
    std::vector<CommandDecl> commands;
    PageHook hook = nullptr;
    int perRow = 1;                        // controls and plain command buttons to a row
    std::vector<FieldGroup> groups{};      // none: the fields stand ungrouped
    std::vector<std::string> selectAll{};  // the boxes "全部选择"/"全部清除" work on while the page shows
};

struct ParamConsoleDecl {
    const char* formName;
    const char* caption;
    const char* setCaption;
    const char* queryCaption;
    std::vector<ConsolePage> pages;  // more than one, or one with a caption: they sit in a page control
    // The check boxes of "全部选择"/"全部清除" on every page; none: those of the active page, and no such
    // buttons where no page has any.
    std::vector<std::string> selectAll;
    int setPage = -1;  // the one page that sets, else wrongPageText; -1: every page
    const char* wrongPageText = nullptr;
    // The page whose foot holds the set, query and select buttons; they then work on its fields alone,
    // whichever page is showing. -1: the buttons sit under the pages and work on the active one.
    int buttonPage = -1;
    // Pages from this index on hold no parameters: set and query there show wrongPageText. -1: none.
    int paramPageCount = -1;
    // Pages taller than the main window holds scroll; a window of fixed size may keep them whole.
    bool scrollPages = true;
};

class TParamConsole : public TConsoleForm {
    Q_OBJECT
  public:
    TParamConsole(const ParamConsoleDecl& decl, QWidget* parent, ButtonActions actions = {});

    QTabWidget* PageControl1 = nullptr;  // nullptr for a console of one page without a caption
    int ActivePage() const;

  protected:
    // What the set and query buttons send: the page's text in one frame. A console whose terminal takes
    // its parameters otherwise (in batches, with its own refusals) sends its own way.
    virtual void SetParam();
    virtual void ReadParam();

  private:
    void SelectAll(bool checked);
    void BuildPage(QWidget* page, const ConsolePage& decl, bool withButtons);
    void BuildFields(QWidget* page, QVBoxLayout* column, const ConsolePage& decl);
    bool HasSelectButtons() const;
    bool OnParamPage() const;
    void AddParamButtons(QGridLayout* grid, int row);
    void AddSlotListButtons(QGridLayout* grid, int row, const SlotListDecl& list);
    // The page the set, query and select buttons work on.
    size_t ButtonPage() const;

    const ParamConsoleDecl& decl_;
};
