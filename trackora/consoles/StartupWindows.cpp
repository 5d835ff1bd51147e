#include "consoles/StartupWindows.h"

#include <QLabel>
#include <QVBoxLayout>

#include "consoles/ConsoleSamples.h"

TfEquManage* fEquManage = nullptr;
TfServer* fServer = nullptr;
TfAbout* fAbout = nullptr;

namespace {

const CommandConsoleDecl& EquManageDecl() {
    static const CommandConsoleDecl decl{"TfEquManage",
                                         "EquManage",
                                         {},
                                         {
                                             Button("SpeedButton1", "Reset", 0x0300),
                                             Button("SpeedButton2", "PowerON"),
                                             Button("SpeedButton3", "PowerOff"),
                                         }};
    return decl;
}

const CommandConsoleDecl& ServerDecl() {
    const UserMessage badPort = WarningMessage(QString::fromUtf8("您输入的参数有误，请确认!"));
    static const CommandConsoleDecl decl{
        "TfServer",
        "ServerConfig",
        {
            EditDecl("Edit1", "", ""),
            EditDecl("Edit2", "", ""),
            EditDecl("Edit3", "", kPublicApn),
        },
        {
            Checked(Button("SpeedButton1", "IP", 0x0301, {TextField("Edit1")}, {"SpeedButton4", "Edit1"}),
                    TextCheck::NoBlank),
            Button("SpeedButton4", "IP", 0x0302),
            OwnMessage(
                Button("SpeedButton2", "Port", 0x0303, {BE16Field("Edit2")}, {"SpeedButton5", "Edit2"}),
                badPort),
            Button("SpeedButton5", "Port", 0x0304),
            Checked(Button("SpeedButton3", "APN", 0x0305, {TextField("Edit3")}, {"SpeedButton6", "Edit3"}),
                    TextCheck::NoBlank),
            Button("SpeedButton6", "APN", 0x0306),
        }};
    return decl;
}

}  // namespace

TfEquManage::TfEquManage(QWidget* parent)
    : TCommandConsole(EquManageDecl(), parent, {{"SpeedButton2", NoAction}, {"SpeedButton3", NoAction}}) {}

TfServer::TfServer(QWidget* parent) : TCommandConsole(ServerDecl(), parent) {}

TfAbout::TfAbout(QWidget* parent) : TConsoleForm("TfAbout", QStringLiteral("About"), parent) {
    auto* column = new QVBoxLayout(this);
    int n = 0;
    for (QLabel** label : {&Label1, &Label2, &Label3}) {
        *label = new QLabel(this);
        (*label)->setObjectName(QStringLiteral("Label%1").arg(++n));
        column->addWidget(*label);
    }
    Label1->setText(QStringLiteral("Vantrel Tools"));
    Label2->setText(QStringLiteral("VER:Tool1065"));
    Label3->setText(QStringLiteral("DateTime:2023-10-12"));
}
