// What every console test needs: a port that records the lines, a captured output log and captured message
// boxes, a program folder of its own, and ways to work the controls as a user would.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <stdexcept>
#include <string>
#include <vector>

#include "consoles/ConsoleControls.h"
#include "link/OutputLog.h"
#include "link/PublicData.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "support/TerminalSim.h"

// Records every write; refuses the write numbered refuseAt (1-based), or every write when refuseAll.
class RecordingPort : public LinePort {
  public:
    bool WriteData(const uint8_t* buffer, int length) override {
        ++attempts;
        if (refuseAll || attempts == refuseAt) return false;
        if (throwOnWrite) throw std::runtime_error("port gone");
        lines.emplace_back(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length));
        return true;
    }
    void SendErrorDeal() override { ++errorDeals; }

    std::vector<std::string> lines;
    int attempts = 0;
    int refuseAt = 0;
    int errorDeals = 0;
    bool refuseAll = false;
    bool throwOnWrite = false;
};

// Command code and payload read back from a hex command line, the frame checked on the way: a line that
// is not a well-formed frame with a right checksum gives cmd -1.
struct SentFrame {
    int cmd = -1;
    std::string payload;
};

inline SentFrame ParseLine(const std::string& line) {
    if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) return {};
    const auto command = TerminalSim::ParseCommandLine(line.substr(0, line.size() - 2));
    if (!command || !command->checksumOk) return {};
    return {command->cmd, std::string(command->payload.begin(), command->payload.end())};
}

// A program folder of the test's own and message boxes answered without showing, for tests of whole windows.
class QuietProgram {
  public:
    QuietProgram() {
        ResetPublicData();
        SetProgramFolder(folder.path().toStdString());
        SetMessageBoxHandler([](const MessageBoxCall&) { return MsgResult::Ok; });
    }
    ~QuietProgram() {
        SetMessageBoxHandler(nullptr);
        SetProgramFolder("");
    }
    QTemporaryDir folder;
};

class ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetPublicData();
        SetLinePort(&port);
        GlobalData.ComOpen = kTrue32;
        SetLogSink([this](const std::string& line) { log.push_back(line); });
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            boxes.push_back(call);
            return MsgResult::Ok;
        });
        ASSERT_TRUE(folder.isValid());
        SetProgramFolder(folder.path().toStdString());
    }
    void TearDown() override {
        SetLinePort(nullptr);
        SetLogSink(nullptr);
        SetMessageBoxHandler(nullptr);
        SetProgramFolder("");
    }

    static void Click(QWidget* form, const char* button) {
        auto* b = form->findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        b->click();
    }
    static void Check(QWidget* form, const std::string& box, bool on = true) {
        auto* b = form->findChild<QCheckBox*>(QString::fromStdString(box));
        ASSERT_NE(b, nullptr) << box;
        b->setChecked(on);
    }
    static void Type(QWidget* form, const std::string& edit, const QString& text) {
        auto* e = form->findChild<QLineEdit*>(QString::fromStdString(edit));
        ASSERT_NE(e, nullptr) << edit;
        e->setText(text);
    }
    static void Pick(QWidget* form, const std::string& combo, int index) {
        auto* c = form->findChild<TComboBox*>(QString::fromStdString(combo));
        ASSERT_NE(c, nullptr) << combo;
        ASSERT_LT(index, c->count());
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    // Typing into the edit part of a combo box, as the keyboard does.
    static void TypeInCombo(QWidget* form, const std::string& combo, const QString& text) {
        auto* c = form->findChild<TComboBox*>(QString::fromStdString(combo));
        ASSERT_NE(c, nullptr) << combo;
        c->lineEdit()->setText(text);
        emit c->lineEdit()->textEdited(text);
    }

    std::vector<SentFrame> Frames() const {
        std::vector<SentFrame> frames;
        for (const auto& line : port.lines) frames.push_back(ParseLine(line));
        return frames;
    }

    RecordingPort port;
    std::vector<std::string> log;
    std::vector<MessageBoxCall> boxes;
    QTemporaryDir folder;
};
