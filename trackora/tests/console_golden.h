// Golden tables of a console: each row works some controls of a new window, clicks one button and names
// the one command line that must leave (or the one message that must show instead). Expected payloads are
// written from the protocol by hand; the line around them comes from the simulator's own encoder.
#pragma once

#include <QTabWidget>
#include <functional>
#include <memory>
#include <string>

#include "console_fixture.h"
#include "support/TerminalSim.h"

struct GoldenRow {
    const char* legend;
    std::function<void(QWidget*)> setup;  // may be empty
    const char* button;
    int cmd;              // -1: nothing leaves, `payload` is the message box text (UTF-8)
    std::string payload;  // the bytes as they go out
    // Where set, the whole line worked out by hand as well, its checksum's arithmetic beside the row.
    std::string line = {};
};

class GoldenConsoleTest : public ConsoleTest {
  protected:
    template <class Window>
    void RunGolden(const std::vector<GoldenRow>& rows) {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.legend);
            port.lines.clear();
            boxes.clear();
            auto form = std::make_unique<Window>();
            if (row.setup) row.setup(form.get());
            Click(form.get(), row.button);
            if (row.cmd < 0) {
                EXPECT_TRUE(port.lines.empty());
                ASSERT_EQ(boxes.size(), 1u);
                EXPECT_EQ(boxes[0].text.toStdString(), row.payload);
                continue;
            }
            EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].text.toStdString());
            ASSERT_EQ(port.lines.size(), 1u);
            EXPECT_EQ(port.lines[0], TerminalSim::CommandLine(static_cast<uint16_t>(row.cmd), row.payload));
            if (!row.line.empty()) {
                EXPECT_EQ(port.lines[0], row.line + "\r\n");
            }
        }
    }
};

// Payload bytes of a row.
inline std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

// Steps of the rows.
inline std::function<void(QWidget*)> Checks(std::vector<std::string> boxes) {
    return [boxes](QWidget* form) {
        for (const auto& box : boxes) SetChecked(form, box, true);
    };
}
inline std::function<void(QWidget*)> Then(std::function<void(QWidget*)> a, std::function<void(QWidget*)> b) {
    return [a, b](QWidget* form) {
        a(form);
        b(form);
    };
}
inline std::function<void(QWidget*)> Clicked(const char* button) {
    return [button](QWidget* form) { form->findChild<QPushButton*>(button)->click(); };
}
inline std::function<void(QWidget*)> Typed(const std::string& edit, const char* text) {
    return [edit, text](QWidget* form) { SetEditText(form, edit, QString::fromUtf8(text)); };
}
inline std::function<void(QWidget*)> Picked(const std::string& combo, int index) {
    return [combo, index](QWidget* form) { SetComboIndex(form, combo, index); };
}
// A combo box whose typed text matches no item.
inline std::function<void(QWidget*)> TypedOver(const std::string& combo, const char* text) {
    return [combo, text](QWidget* form) {
        form->findChild<TComboBox*>(QString::fromStdString(combo))->SetNoSelection(QString::fromUtf8(text));
    };
}
// Checks every field's box of the window.
inline void CheckAllFields(QWidget* form) {
    for (auto* box : form->findChildren<QCheckBox*>()) {
        if (box->objectName().startsWith("Check_")) box->setChecked(true);
    }
}
// Makes page n of the window's page control the active one.
inline std::function<void(QWidget*)> OnPage(int n) {
    return [n](QWidget* form) { form->findChild<QTabWidget*>("PageControl1")->setCurrentIndex(n); };
}
// Sets the combo boxes "<prefix>_1", "<prefix>_2", ... of a time to the numbers.
inline std::function<void(QWidget*)> Combos(const std::string& prefix, std::vector<int> values) {
    return [prefix, values](QWidget* f) {
        for (size_t k = 0; k < values.size(); ++k)
            SetComboIndex(f, prefix + "_" + std::to_string(k + 1), values[k]);
    };
}
