// Where the program keeps its files: the executable's folder when it is this user's alone, else the
// user's data folder, never a folder someone else can write, and never through a planted link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <string>

#include "platform/DataFolder.h"
#include "platform/IniFile.h"
#include "platform/Tables.h"
#include "support/OtherUser.h"

namespace {

class DataFolderTest : public ::testing::Test {
  public:  // the rows' set-up steps work the folder too
    // "@" stands for the test's own folder.
    std::string At(const char* path) const {
        std::string s = path;
        if (!s.empty() && s.front() == '@')
            s = (base.empty() ? root.path().toStdString() : base) + s.substr(1);
        return s;
    }
    void Folder(const char* path, mode_t mode) const {
        ASSERT_EQ(::mkdir(At(path).c_str(), mode), 0) << path;
        ASSERT_EQ(::chmod(At(path).c_str(), mode), 0) << path;  // past the umask
    }
    void Write(const char* path, const std::string& bytes) const {
        QFile f(QString::fromStdString(At(path)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path;
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    std::string Read(const char* path) const {
        QFile f(QString::fromStdString(At(path)));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
    }
    static std::optional<mode_t> ModeOf(const std::string& path) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
        return st.st_mode & 07777;
    }

  protected:
    void TearDown() override { SetProgramFolder(""); }

    QTemporaryDir root;
    std::string base;  // the folder "@" stands for; the test's own folder when empty
};

TEST_F(DataFolderTest, ChoosesTheExecutablesFolderOnlyWhenItIsTheUsersAlone) {
    struct Row {
        const char* legend;
        std::function<void(DataFolderTest&)> setup;
        const char* exeDir;
        const char* xdg;       // nullptr: unset
        const char* home;      // nullptr: unset
        const char* chosen;    // "" when refused
        const char* error;     // a part of the refusal's reason
        bool created = false;  // the chosen folder is made by the choice
        bool needsRoot = false;
    };
    const auto none = [](DataFolderTest&) {};
    const Row rows[] = {
        {"the executable's folder of ours alone", [](DataFolderTest& t) { t.Folder("@/bin", 0755); }, "@/bin",
         "@/xdg", "@/home", "@/bin/", ""},
        {"an executable's folder others can write", [](DataFolderTest& t) { t.Folder("@/shared", 0777); },
         "@/shared", "@/xdg", "@/home", "@/xdg/trackora/", "", true},
        {"an executable's folder of another user",
         [](DataFolderTest& t) {
             t.Folder("@/theirs", 0755);
             ASSERT_EQ(::chown(t.At("@/theirs").c_str(), kOtherUid, kOtherGid), 0);
         },
         "@/theirs", "@/xdg", "@/home", "@/xdg/trackora/", "", true, true},
        {"an executable's folder that is gone", none, "@/gone", "@/xdg", "@/home", "@/xdg/trackora/", "",
         true},
        {"no XDG_DATA_HOME: under HOME", none, "@/gone", nullptr, "@/home", "@/home/.local/share/trackora/",
         "", true},
        {"a relative XDG_DATA_HOME is ignored", none, "@/gone", "relative/data", "@/home",
         "@/home/.local/share/trackora/", "", true},
        {"an existing data folder is used as it is",
         [](DataFolderTest& t) {
             t.Folder("@/xdg", 0700);
             t.Folder("@/xdg/trackora", 0750);
         },
         "@/gone", "@/xdg", "@/home", "@/xdg/trackora/", ""},
        {"neither XDG_DATA_HOME nor HOME: refused", none, "@/gone", nullptr, nullptr, "",
         "neither XDG_DATA_HOME nor HOME names a folder"},
        {"an empty HOME: refused", none, "@/gone", "", "", "", "neither XDG_DATA_HOME nor HOME"},
        {"a data folder that is a link: refused, no other folder tried",
         [](DataFolderTest& t) {
             t.Folder("@/xdg", 0700);
             t.Folder("@/elsewhere", 0700);
             ASSERT_EQ(::symlink(t.At("@/elsewhere").c_str(), t.At("@/xdg/trackora").c_str()), 0);
         },
         "@/gone", "@/xdg", "@/home", "", "trackora is a symbolic link"},
        {"a data folder others can write: refused",
         [](DataFolderTest& t) {
             t.Folder("@/xdg", 0700);
             t.Folder("@/xdg/trackora", 0777);
         },
         "@/gone", "@/xdg", "@/home", "", "trackora can be written by other users"},
        {"a data folder of another user: refused",
         [](DataFolderTest& t) {
             t.Folder("@/xdg", 0700);
             t.Folder("@/xdg/trackora", 0700);
             ASSERT_EQ(::chown(t.At("@/xdg/trackora").c_str(), kOtherUid, kOtherGid), 0);
         },
         "@/gone", "@/xdg", "@/home", "", "trackora belongs to another user", false, true},
        {"a file where the data folder goes: refused",
         [](DataFolderTest& t) {
             t.Folder("@/xdg", 0700);
             t.Write("@/xdg/trackora", "x");
         },
         "@/gone", "@/xdg", "@/home", "", "trackora is not a folder"},
    };
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        if (row.needsRoot && !RunningAsRoot()) continue;
        base = root.path().toStdString() + "/row" + std::to_string(++n);
        ASSERT_EQ(::mkdir(base.c_str(), 0700), 0);
        row.setup(*this);
        const std::string xdg = row.xdg ? At(row.xdg) : "";
        const std::string home = row.home ? At(row.home) : "";
        const DataFolderChoice choice = ChooseDataFolder(At(row.exeDir), row.xdg ? xdg.c_str() : nullptr,
                                                         row.home ? home.c_str() : nullptr);
        EXPECT_EQ(choice.folder, At(row.chosen));
        if (*row.chosen == '\0') {
            EXPECT_NE(choice.error.find(row.error), std::string::npos) << choice.error;
            EXPECT_FALSE(ModeOf(At("@/home/.local"))) << "no fallback to another folder";
        } else {
            EXPECT_EQ(choice.error, "");
            if (row.created) {
                EXPECT_EQ(ModeOf(choice.folder), std::optional<mode_t>(0700)) << "made ours alone";
            }
        }
    }
}

TEST_F(DataFolderTest, SavesReplaceTheFileWhole) {
    SetProgramFolder(At("@"));
    TIniFile ini(ProgramFolder() + "Config/ParamInfo.ini");
    ini.WriteString("PARAMINFO", "TERISN_VALUE", "777");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(ModeOf(At("@/Config")), std::optional<mode_t>(0700));
    EXPECT_EQ(Read("@/Config/ParamInfo.ini"), "[PARAMINFO]\r\nTERISN_VALUE=777\r\n");
    // A second save leaves no temporary behind.
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(QDir(QString::fromStdString(At("@/Config")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"ParamInfo.ini"});
}

// Another local user plants links and folders where the program would put its files; none of them is
// followed or used, and nothing of the user's is overwritten through them.
TEST_F(DataFolderTest, AnotherUsersPlantedLinksAndFoldersAreNeverUsed) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root to act as a second user";
    ASSERT_EQ(::chmod(At("@").c_str(), 0711), 0);  // the other user may pass through, not look
    Folder("@/shared", 01777);                     // a shared folder, as /tmp is
    Folder("@/victim", 0700);
    Write("@/victim/ParamInfo.ini", "precious");
    const std::string victim = At("@/victim");
    const std::string config = At("@/shared/Config");
    const std::string db = At("@/shared/DB");
    const std::string data = At("@/shared/data");
    const std::string planted = At("@/shared/data/trackora");
    const std::string sharedFolder = At("@/shared");
    if (AsOtherUser([&] { return ::access(sharedFolder.c_str(), W_OK | X_OK) == 0 ? 0 : 1; }) != 0)
        GTEST_SKIP() << "the temporary folder is out of another user's reach";
    ASSERT_EQ(AsOtherUser([&] {
                  if (::symlink(victim.c_str(), config.c_str()) != 0) return 1;
                  if (::symlink(victim.c_str(), db.c_str()) != 0) return 2;
                  if (::mkdir(data.c_str(), 0777) != 0 || ::chmod(data.c_str(), 0777) != 0) return 3;
                  if (::mkdir(planted.c_str(), 0777) != 0 || ::chmod(planted.c_str(), 0777) != 0) return 4;
                  return 0;
              }),
              0);

    // The shared folder is not the user's alone, and the data folder the other user made is not theirs.
    const std::string home = At("@/home");
    DataFolderChoice choice = ChooseDataFolder(At("@/shared"), data.c_str(), home.c_str());
    EXPECT_EQ(choice.folder, "");
    EXPECT_NE(choice.error.find("belongs to another user"), std::string::npos) << choice.error;
    choice = ChooseDataFolder(At("@/shared"), nullptr, home.c_str());
    EXPECT_EQ(choice.folder, At("@/home/.local/share/trackora/"));

    // Were the program pointed at the shared folder anyway, neither the profile nor a table goes through.
    SetProgramFolder(At("@/shared"));
    TIniFile ini(ProgramFolder() + "Config/ParamInfo.ini");
    ini.WriteString("PARAMINFO", "TERISN_VALUE", "777");
    const IniSaveResult saved = ini.Save();
    EXPECT_FALSE(saved);
    EXPECT_NE(saved.error.find("Config is a symbolic link"), std::string::npos) << saved.error;
    static const TableDecl kDecl{"T", "t.db", "DELETE FROM \"T\"", {"A"}};
    TTable table(kDecl);
    EXPECT_NE(table.Open().toStdString().find("DB is a symbolic link"), std::string::npos);
    EXPECT_EQ(Read("@/victim/ParamInfo.ini"), "precious");
    EXPECT_EQ(QDir(QString::fromStdString(victim)).entryList(QDir::Files | QDir::Hidden),
              QStringList{"ParamInfo.ini"});
}

}  // namespace
