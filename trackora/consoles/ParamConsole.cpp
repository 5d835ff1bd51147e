#include "consoles/ParamConsole.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const kSetButton = "SpeedButton1";
const char* const kQueryButton = "SpeedButton2";
const char* const kSelectAllButton = "SpeedButton3";
const char* const kClearAllButton = "SpeedButton4";

// A page scrolls down when it is taller than the main window holds, but never sideways.
QScrollArea* Scrolled(QWidget* page) {
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(page);
    NoSidewaysScroll(scroll);
    return scroll;
}

}  // namespace

TParamConsole::TParamConsole(const ParamConsoleDecl& decl, QWidget* parent, ButtonActions actions)
    : TConsoleForm(decl.formName, QString::fromUtf8(decl.caption), parent, std::move(actions)), decl_(decl) {
    auto* grid = new QGridLayout(this);
    // A lone page without a caption is the whole window; one with a caption sits in a page control.
    if (decl_.pages.size() == 1 && decl_.pages[0].params.caption.empty()) {
        auto* page = new QWidget(this);
        page->setObjectName(QStringLiteral("TabSheet1"));
        BuildPage(page, decl_.pages[0], decl_.buttonPage == 0);
        grid->addWidget(decl_.scrollPages ? Scrolled(page) : page, 0, 0, 1, 4);
    } else {
        PageControl1 = new QTabWidget(this);
        PageControl1->setObjectName(QStringLiteral("PageControl1"));
        int n = 0;
        for (const auto& decl : decl_.pages) {
            auto* page = new QWidget(PageControl1);
            page->setObjectName(QStringLiteral("TabSheet%1").arg(++n));
            BuildPage(page, decl, decl_.buttonPage == n - 1);
            QWidget* tab = decl_.scrollPages ? Scrolled(page) : page;
            PageControl1->addTab(tab, QString::fromStdString(decl.params.caption));
        }
        grid->addWidget(PageControl1, 0, 0, 1, 4);
    }
    if (decl_.buttonPage < 0) AddParamButtons(grid, 1);
    CheckEveryActionPlaced();
}

// The set and query actions are virtual: a console whose terminal takes its parameters otherwise sends its
// own way.
void TParamConsole::AddParamButtons(QGridLayout* grid, int row) {
    int column = 0;
    AddButton(grid, row, column++, Button(kSetButton, decl_.setCaption), [this] { SetParam(); });
    AddButton(grid, row, column++, Button(kQueryButton, decl_.queryCaption), [this] { ReadParam(); });
    if (HasSelectButtons()) {
        AddButton(grid, row, column++, Button(kSelectAllButton, "全部选择"), [this] { SelectAll(true); });
        AddButton(grid, row, column++, Button(kClearAllButton, "全部清除"), [this] { SelectAll(false); });
    }
}

// The list is a row of the declaration the console keeps (decl_), which outlives the window.
void TParamConsole::AddSlotListButtons(QGridLayout* grid, int row, const SlotListDecl& list) {
    AddButton(grid, row, 0, Button(list.setButton.c_str(), SlotSetCaption(list.kind)), [this, &list] {
        const CommandResult result = BuildSlotList(this, list);
        if (result.message) {
            ShowUserMessage(*result.message);
            return;
        }
        (void)SendRequest(*result.request);
    });
    AddButton(grid, row, 1, Button(list.queryButton.c_str(), SlotQueryCaption(list.kind)),
              [&list] { (void)SendRequest(SlotQuery(list)); });
}

void TParamConsole::BuildPage(QWidget* page, const ConsolePage& decl, bool withButtons) {
    auto* column = new QVBoxLayout(page);
    BuildFields(page, column, decl);
    if (withButtons) {
        auto* buttons = new QGridLayout;
        column->addLayout(buttons);
        AddParamButtons(buttons, 0);
    }
    if (!decl.slotLists.empty()) {
        auto* rows = new QGridLayout;
        column->addLayout(rows);
        int row = 0;
        for (const auto& list : decl.slotLists) {
            row = AddSlotRows(this, rows, row, list);
            AddSlotListButtons(rows, row++, list);
        }
    }
    if (!decl.commands.empty()) {
        auto* commands = new QWidget(page);
        LayOutCommands(commands, decl.controls, decl.commands, decl.perRow);
        column->addWidget(commands);
    }
    if (decl.hook) decl.hook(*this, page, column);
    column->addStretch(1);
}

void TParamConsole::BuildFields(QWidget* page, QVBoxLayout* column, const ConsolePage& decl) {
    const ParamPage& params = decl.params;
    if (params.fields.empty()) return;
    if (decl.groups.empty()) {
        auto* fields = new QWidget(page);
        BuildParamPage(fields, params);
        column->addWidget(fields);
        return;
    }
    size_t first = 0;
    for (const auto& group : decl.groups) {
        auto* box = new QGroupBox(QString::fromUtf8(group.heading), page);
        box->setObjectName(QString::fromLatin1(group.name));
        auto* inside = new QVBoxLayout(box);
        auto* fields = new QWidget(box);
        const size_t last = std::min(first + group.fields, params.fields.size());
        // Only the controls are built from the part; the buttons still send the page's whole table.
        BuildParamPage(fields, {params.caption,
                                {params.fields.begin() + static_cast<std::ptrdiff_t>(first),
                                 params.fields.begin() + static_cast<std::ptrdiff_t>(last)},
                                {}});
        inside->addWidget(fields);
        column->addWidget(box);
        first = last;
    }
}

bool TParamConsole::HasSelectButtons() const {
    if (!decl_.selectAll.empty()) return true;
    return std::any_of(decl_.pages.begin(), decl_.pages.end(),
                       [](const ConsolePage& page) { return !page.selectAll.empty(); });
}

bool TParamConsole::OnParamPage() const {
    if (decl_.paramPageCount < 0 || ActivePage() < decl_.paramPageCount) return true;
    ShowUserMessage(WarningMessage(QString::fromUtf8(decl_.wrongPageText)));
    return false;
}

int TParamConsole::ActivePage() const { return PageControl1 ? PageControl1->currentIndex() : 0; }

void TParamConsole::SetParam() {
    if (!OnParamPage()) return;
    const int page = ActivePage();
    if (decl_.setPage >= 0 && page != decl_.setPage) {
        ShowUserMessage(WarningMessage(QString::fromUtf8(decl_.wrongPageText)));
        return;
    }
    (void)SendParamText(this, decl_.pages[ButtonPage()].params, ParamMode::Set);
}

void TParamConsole::ReadParam() {
    if (OnParamPage()) (void)SendParamText(this, decl_.pages[ButtonPage()].params, ParamMode::Query);
}

size_t TParamConsole::ButtonPage() const {
    return static_cast<size_t>(decl_.buttonPage >= 0 ? decl_.buttonPage : ActivePage());
}

void TParamConsole::SelectAll(bool checked) {
    const auto& boxes = decl_.selectAll.empty() ? decl_.pages[ButtonPage()].selectAll : decl_.selectAll;
    for (const auto& box : boxes) SetChecked(this, box, checked);
}
