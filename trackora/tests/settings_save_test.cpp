// The vehicle-tracker console's field file where the user keeps it: a save that fails says so in the
// output log, a file that could not be read whole is never overwritten, and keys of others survive.
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <functional>
#include <memory>

#include "console_fixture.h"
#include "consoles/TfDVRN.h"
#include "platform/DataFolder.h"
#include "support/OtherUser.h"

namespace {

constexpr size_t kMiB = 1 << 20;
const char* const kSaveFailed = "参数文件保存失败: ";

class SettingsSave : public ConsoleTest {
  protected:
    void TearDown() override {
        form.reset();
        ConsoleTest::TearDown();
    }
    // A folder of its own for each row, as the program's folder.
    void NewFolder() {
        base = folder.path().toStdString() + "/row" + std::to_string(++rows) + "/";
        ASSERT_EQ(::mkdir(base.c_str(), 0700), 0);
        SetProgramFolder(base);
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path;
        ASSERT_EQ(f.write(bytes.data(), static_cast<qint64>(bytes.size())),
                  static_cast<qint64>(bytes.size()));
    }
    static std::string ReadFile(const std::string& path) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
    }
    // Sets TeriSN to 777 as the user does: check, type, "SetParam".
    void SetTeriSN() {
        Check(form.get(), "Check_TERISN");
        Type(form.get(), "Value_TERISN", "777");
        Click(form.get(), "SpeedButton1");
    }
    std::vector<std::string> FailureLines() const {
        std::vector<std::string> lines;
        for (const auto& line : log)
            if (line.rfind(kSaveFailed, 0) == 0) lines.push_back(line);
        return lines;
    }

    std::unique_ptr<TfDVRN> form;
    std::string base;
    int rows = 0;
};

// A file of exactly `size` bytes: `head`, then comment lines.
std::string Padded(const std::string& head, size_t size) {
    std::string text = head;
    while (text.size() < size) {
        const size_t room = size - text.size();
        // A line of at most 200 bytes: ";", the filling, CR LF.
        text += room > 3 ? ";" + std::string(std::min<size_t>(room, 200) - 3, 'x') + "\r\n"
                         : std::string(room, ';');
    }
    return text;
}

TEST_F(SettingsSave, AFailedSaveLogsTheFileAndTheReasonOnce) {
    struct Row {
        const char* legend;
        std::function<void(const std::string& base)> setup;
        const char* reason;  // "": the save succeeds and logs nothing; "@" stands for the program's folder
        bool needsRoot = false;
    };
    const Row rows[] = {
        {"a folder of ours: saved", [](const std::string&) {}, ""},
        {"a file where Config goes", [](const std::string& b) { WriteFile(b + "Config", "x"); },
         "@Config is not a folder"},
        {"a Config folder others can write",
         [](const std::string& b) {
             ASSERT_EQ(::mkdir((b + "Config").c_str(), 0700), 0);
             ASSERT_EQ(::chmod((b + "Config").c_str(), 0777), 0);
         },
         "@Config can be written by other users"},
        {"a Config folder that is a link",
         [](const std::string& b) { ASSERT_EQ(::symlink(b.c_str(), (b + "Config").c_str()), 0); },
         "@Config is a symbolic link"},
        {"a Config folder of another user",
         [](const std::string& b) {
             ASSERT_EQ(::mkdir((b + "Config").c_str(), 0700), 0);
             ASSERT_EQ(::chown((b + "Config").c_str(), kOtherUid, kOtherGid), 0);
         },
         "@Config belongs to another user", true},
        {"a folder where the file goes",
         [](const std::string& b) {
             ASSERT_EQ(::mkdir((b + "Config").c_str(), 0700), 0);
             ASSERT_EQ(::mkdir((b + "Config/ParamInfo.ini").c_str(), 0700), 0);
         },
         "not rewritten, it could not be read whole (not a plain file)"},
        {"a file over 1 MiB",
         [](const std::string& b) {
             ASSERT_EQ(::mkdir((b + "Config").c_str(), 0700), 0);
             WriteFile(b + "Config/ParamInfo.ini", Padded("[PARAMINFO]\r\n", kMiB + 1));
         },
         "not rewritten, it could not be read whole (larger than 1 MiB)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        if (row.needsRoot && !RunningAsRoot()) continue;
        NewFolder();
        row.setup(base);
        form = std::make_unique<TfDVRN>();
        log.clear();
        port.lines.clear();
        SetTeriSN();
        // The send goes on whatever became of the file.
        ASSERT_EQ(Frames().size(), 1u);
        EXPECT_EQ(Frames()[0].payload, "#TERIID=777");
        std::string reason = row.reason;
        if (!reason.empty() && reason.front() == '@') reason = base + reason.substr(1);
        const std::string line = std::string(kSaveFailed) + base + "Config/ParamInfo.ini: " + reason;
        EXPECT_EQ(FailureLines(), *row.reason ? std::vector<std::string>{line} : std::vector<std::string>{});
        if (*row.reason) continue;
        form = std::make_unique<TfDVRN>();
        EXPECT_EQ(EditText(form.get(), "Value_TERISN"), "777") << "kept for the next start";
    }
}

TEST_F(SettingsSave, AFileReadInPartIsKeptAndKeysOfOthersSurvive) {
    const std::string ours =
        "[OTHER]\r\nKEEP=1\r\n[PARAMINFO]\r\nFOREIGN_KEY=x\r\nTERISN_EN=1\r\nTERISN_VALUE=5\r\n";
    struct Row {
        const char* legend;
        std::string file;
        const char* loaded;  // TeriSN after opening; nullptr: the layout's default
        bool kept;           // the file is left byte for byte
    };
    const Row rows[] = {
        {"a small file with keys of others", ours, "5", false},
        {"a file of exactly 1 MiB is read whole", Padded(ours, kMiB), "5", false},
        {"one byte more is not", Padded(ours, kMiB + 1), nullptr, true},
    };
    const QString sample = "123456789012345";  // the layout's sample terminal number
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        NewFolder();
        ASSERT_EQ(::mkdir((base + "Config").c_str(), 0700), 0);
        const std::string path = base + "Config/ParamInfo.ini";
        WriteFile(path, row.file);
        form = std::make_unique<TfDVRN>();
        EXPECT_EQ(EditText(form.get(), "Value_TERISN"), row.loaded ? QString(row.loaded) : sample);
        log.clear();
        SetTeriSN();
        const std::string after = ReadFile(path);
        if (row.kept) {
            EXPECT_TRUE(after == row.file) << "the file was rewritten: " << after.size() << " bytes";
            EXPECT_EQ(FailureLines().size(), 1u);
            continue;
        }
        EXPECT_TRUE(FailureLines().empty());
        for (const char* line :
             {"[OTHER]\r\nKEEP=1\r\n", "FOREIGN_KEY=x\r\n", "TERISN_VALUE=777\r\n", "FREQ_EN=0\r\n"})
            EXPECT_NE(after.find(line), std::string::npos) << line;
        // The comment lines of the padding are kept as well.
        EXPECT_EQ(std::count(after.begin(), after.end(), ';'),
                  std::count(row.file.begin(), row.file.end(), ';'));
    }
}

}  // namespace
