// Profile files: reads with defaults, writes in place, whole-file saves.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/IniFile.h"

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
    void Write(const char* name, const QByteArray& bytes) const {
        QFile f(QString::fromStdString(Path(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    std::string Read(const char* name) const {
        QFile f(QString::fromStdString(Path(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
    }
    QTemporaryDir dir;
};

TEST_F(IniFileTest, Reads) {
    Write("a.ini", "; note\r\n[One]\r\nKey=v1\r\n Spaced = two words \r\n[Two]\r\nKey=v2\nEmpty=\n");
    const TIniFile ini(Path("a.ini"));
    EXPECT_EQ(ini.ReadString("One", "Key", "d"), "v1");
    EXPECT_EQ(ini.ReadString("one", "KEY", "d"), "v1") << "names match without case";
    EXPECT_EQ(ini.ReadString("One", "Spaced", "d"), "two words");
    EXPECT_EQ(ini.ReadString("Two", "Key", "d"), "v2");
    EXPECT_EQ(ini.ReadString("Two", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadString("Two", "Missing", "d"), "d");
    EXPECT_EQ(ini.ReadString("Three", "Key", "d"), "d");
    EXPECT_EQ(TIniFile(Path("none.ini")).ReadString("One", "Key", "0"), "0");
    Write("big.ini", "[One]\r\nKey=v1\r\n" + QByteArray((1 << 20) + 1, ';'));
    EXPECT_EQ(TIniFile(Path("big.ini")).ReadString("One", "Key", "d"), "d") << "not a profile file of ours";
}

TEST_F(IniFileTest, WritesInPlace) {
    Write("a.ini", "[One]\r\nA=1\r\nB=2\r\n\r\n[Two]\r\nC=3\r\n");
    TIniFile ini(Path("a.ini"));
    ini.WriteString("One", "a", "10");  // replaces, keeps its line and the key's spelling as written
    ini.WriteString("One", "D", "4");   // joins the end of its section, before the blank line
    ini.WriteString("Three", "E", "5\r\nB=injected");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Read("a.ini"),
              "[One]\r\na=10\r\nB=2\r\nD=4\r\n\r\n[Two]\r\nC=3\r\n[Three]\r\nE=5  B=injected\r\n");
}

TEST_F(IniFileTest, SaveMakesTheFolderAndReportsFailure) {
    TIniFile ini(Path("Config/new.ini"));
    ini.WriteString("S", "K", "V");
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(TIniFile(Path("Config/new.ini")).ReadString("S", "K", ""), "V");

    Write("plain", "x");
    TIniFile blocked(Path("plain/sub.ini"));  // a file stands where the folder should be
    blocked.WriteString("S", "K", "V");
    EXPECT_FALSE(blocked.Save());
}

TEST_F(IniFileTest, ProgramFolderCanBeRedirected) {
    SetProgramFolder("/tmp/somewhere");
    EXPECT_EQ(ProgramFolder(), "/tmp/somewhere/");
    SetProgramFolder("");
    EXPECT_NE(ProgramFolder(), "/tmp/somewhere/");
    EXPECT_EQ(ProgramFolder().back(), '/');
}

}  // namespace
