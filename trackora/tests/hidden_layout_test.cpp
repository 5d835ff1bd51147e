// One build switch decides for every window whether the layout's hidden items show: the main window's
// hidden menu items, the port manager's USB-serial box and the consoles' hidden buttons agree with it.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QPushButton>

#include "console_fixture.h"
#include "consoles/FixedConsoles.h"
#include "consoles/TfDVRN.h"
#include "link/ComManage.h"
#include "link/LogMemo.h"
#include "platform/HiddenLayout.h"
#include "shell/KQMain.h"

namespace {

TEST(HiddenLayout, EveryWindowFollowsTheOneSwitch) {
    QuietProgram quiet;
    TfKQMain main;
    main.Timer1->stop();
    EXPECT_EQ(main.findChild<QAction*>("N12")->isVisible(), kShowHiddenControls);  // hidden menu item
    EXPECT_TRUE(main.findChild<QAction*>("N8")->isVisible());                      // shown menu item

    TfComManage ports;
    ports.SetPortListSource([] { return SerialCommMap{}; });
    EXPECT_EQ(!ports.CheckBox1->isHidden(), kShowHiddenControls);
    EXPECT_FALSE(ports.CheckBox2->isHidden());

    TfCallTest call;
    EXPECT_EQ(!call.findChild<QPushButton*>("SpeedButton2")->isHidden(), kShowHiddenControls);
    EXPECT_FALSE(call.findChild<QPushButton*>("SpeedButton1")->isHidden());

    // The tracker console's command pages: every control hidden, the parameter buttons shown.
    TfDVRN dvrn;
    for (const char* name : {"SpeedButton3", "SpeedButton23", "SpeedButton24", "Button1", "Button12", "Edit1",
                             "CheckBox1", "ComboBox13", "Memo1", "Label16"})
        EXPECT_EQ(!dvrn.findChild<QWidget*>(name)->isHidden(), kShowHiddenControls) << name;
    EXPECT_FALSE(dvrn.SpeedButton1->isHidden());
}

}  // namespace
