// The parameter console engine on a small declaration of its own: which page the set and query buttons
// send, the pages that hold no parameters, per-page select-all boxes, the button page, headed field
// groups and the per-page hook.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>

#include "console_fixture.h"
#include "consoles/ParamConsole.h"

namespace {

void AddHookLabel(TParamConsole&, QWidget* page, QVBoxLayout* column) {
    auto* label = new QLabel(QStringLiteral("hook"), page);
    label->setObjectName(QStringLiteral("HookLabel"));
    column->addWidget(label);
}

std::vector<ConsolePage> Pages() {
    ConsolePage one{
        {"One", {Field("A", "a", {EditPart("1")}), Field("B", "b", {EditPart("2")})}, {}}, {}, {}, {}};
    one.selectAll = {"Check_A"};
    ConsolePage two{{"Two", {Field("C", "c", {EditPart("3")})}, {}}, {}, {}, {}};
    two.groups = {{"GroupC", "Cs", 1}};
    two.hook = AddHookLabel;
    ConsolePage commands{{"Cmds", {}, {}}, {}, {}, {}};
    return {one, two, commands};
}

// Buttons under the pages, the last page holding no parameters.
const ParamConsoleDecl& BelowDecl() {
    static const ParamConsoleDecl decl = [] {
        ParamConsoleDecl d{"TfBelow", "below", "set", "query", Pages(), {}};
        d.paramPageCount = 2;
        d.wrongPageText = "not here";
        return d;
    }();
    return decl;
}

// Buttons at the foot of the first page, which they work on whichever page shows.
const ParamConsoleDecl& OnPageDecl() {
    static const ParamConsoleDecl decl = [] {
        ParamConsoleDecl d{"TfOnPage", "on page", "set", "query", Pages(), {}};
        d.buttonPage = 0;
        return d;
    }();
    return decl;
}

class ParamConsoleDeclTest : public ConsoleTest {
  protected:
    std::unique_ptr<TParamConsole> Open(const ParamConsoleDecl& decl, int page) {
        auto form = std::make_unique<TParamConsole>(decl, nullptr);
        form->PageControl1->setCurrentIndex(page);
        return form;
    }
    bool Checked(QWidget* form, const char* box) {
        auto* b = form->findChild<QCheckBox*>(QString::fromLatin1(box));
        return b && b->isChecked();
    }
};

TEST_F(ParamConsoleDeclTest, SetAndQuerySendTheirPageOrRefuse) {
    const struct {
        const char* legend;
        const ParamConsoleDecl& decl;
        int page;
        std::vector<const char*> checked;
        const char* button;
        int cmd;              // 0: a box instead of a frame
        std::string payload;  // or the box's text
    } rows[] = {
        {"set the active page", BelowDecl(), 0, {"Check_A"}, "SpeedButton1", 0x0201, "#A=1"},
        {"query the active page", BelowDecl(), 0, {"Check_A", "Check_B"}, "SpeedButton2", 0x0202, "#A#B"},
        {"other pages' boxes stay out",
         BelowDecl(),
         1,
         {"Check_A", "Check_C"},
         "SpeedButton1",
         0x0201,
         "#C=3"},
        {"set on a page of no parameters", BelowDecl(), 2, {"Check_A"}, "SpeedButton1", 0, "not here"},
        {"query on a page of no parameters", BelowDecl(), 2, {"Check_A"}, "SpeedButton2", 0, "not here"},
        {"the button page whatever shows", OnPageDecl(), 2, {"Check_A"}, "SpeedButton1", 0x0201, "#A=1"},
        {"the button page queried", OnPageDecl(), 1, {"Check_B", "Check_C"}, "SpeedButton2", 0x0202, "#B"},
        {"nothing of the button page checked",
         OnPageDecl(),
         1,
         {"Check_C"},
         "SpeedButton2",
         0,
         "您未选择设置项目"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        port.lines.clear();
        boxes.clear();
        auto form = Open(row.decl, row.page);
        for (const char* box : row.checked) Check(form.get(), box);
        Click(form.get(), row.button);
        if (row.cmd == 0) {
            EXPECT_TRUE(port.lines.empty());
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, QString::fromStdString(row.payload));
            continue;
        }
        ASSERT_EQ(Frames().size(), 1u);
        EXPECT_EQ(Frames()[0].cmd, row.cmd);
        EXPECT_EQ(Frames()[0].payload, row.payload);
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(ParamConsoleDeclTest, SelectAllWorksOnThePageBoxesOnly) {
    const struct {
        const char* legend;
        const ParamConsoleDecl& decl;
        int page;
        const char* button;
        bool a, b, c;  // the boxes afterwards, all three checked before a clear
    } rows[] = {
        {"select on the page that has boxes", BelowDecl(), 0, "SpeedButton3", true, false, false},
        {"select where the page has none", BelowDecl(), 1, "SpeedButton3", false, false, false},
        {"clear on the page that has boxes", BelowDecl(), 0, "SpeedButton4", false, true, true},
        {"clear where the page has none", BelowDecl(), 2, "SpeedButton4", true, true, true},
        {"select from the button page", OnPageDecl(), 2, "SpeedButton3", true, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        auto form = Open(row.decl, row.page);
        if (std::string(row.button) == "SpeedButton4") {
            for (const char* box : {"Check_A", "Check_B", "Check_C"}) Check(form.get(), box);
        }
        Click(form.get(), row.button);
        EXPECT_EQ(Checked(form.get(), "Check_A"), row.a);
        EXPECT_EQ(Checked(form.get(), "Check_B"), row.b);
        EXPECT_EQ(Checked(form.get(), "Check_C"), row.c);
    }
}

TEST_F(ParamConsoleDeclTest, WhereTheDeclarationPutsThings) {
    for (const ParamConsoleDecl* decl : {&BelowDecl(), &OnPageDecl()}) {
        SCOPED_TRACE(decl->formName);
        auto form = Open(*decl, 0);
        auto* first = form->findChild<QWidget*>(QStringLiteral("TabSheet1"));
        auto* second = form->findChild<QWidget*>(QStringLiteral("TabSheet2"));
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_NE(second->findChild<QLabel*>(QStringLiteral("HookLabel")), nullptr)
            << "the hook builds on its page";
        auto* group = second->findChild<QGroupBox*>(QStringLiteral("GroupC"));
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->title(), QStringLiteral("Cs"));
        EXPECT_NE(group->findChild<QCheckBox*>(QStringLiteral("Check_C")), nullptr);
        for (const char* button : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4"}) {
            const bool onPage = first->findChild<QPushButton*>(QString::fromLatin1(button)) != nullptr;
            EXPECT_EQ(onPage, decl->buttonPage == 0) << button;
            EXPECT_NE(form->findChild<QPushButton*>(QString::fromLatin1(button)), nullptr) << button;
        }
    }
}

}  // namespace
