// Saving the operator's files without clobbering them: through symbolic
// links, with the mode of the file replaced, never over a file that was
// read-only at start, errors in German; the editors' text files end every
// line with CR LF.
#include <QTemporaryDir>
#include <QtTest>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "core/fileio.h"
#include "core/serverfile.h"
#include "core/textlines.h"
#include "tests/core/filebytes.h"

using namespace zelmora;
using zelmora::testing::ReadAll;
using zelmora::testing::WriteAll;
namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
int Mode(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Sets or clears the immutable attribute (root, and a file system that has
// it); false where that cannot be done.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}
#endif

}  // namespace

class TestFileIo : public QObject {
  Q_OBJECT

 private slots:
#ifndef _WIN32
  // A link is written through: the file it points at gets the new bytes,
  // the link stays a link; a chain of relative links too.
  void savesWriteThroughLinks() {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    fs::create_directory(d + "/real");
    WriteAll(QString::fromStdString(d + "/real/Servers.dat"), "");
    fs::create_symlink("real/Servers.dat", d + "/hop");
    fs::create_symlink("hop", d + "/Servers.dat");
    Tserverrec e;
    e.host.assign("192.0.2.1");
    std::string error;
    QVERIFY2(SaveServers(d + "/Servers.dat", {e}, &error), error.c_str());
    QVERIFY(fs::is_symlink(d + "/Servers.dat") && fs::is_symlink(d + "/hop"));
    QCOMPARE(ReadAll(QString::fromStdString(d + "/real/Servers.dat")).size(), kServerRecSize);
    QCOMPARE(FileToWrite(d + "/Servers.dat"), d + "/real/Servers.dat");
    // A link to a file not there yet creates it where the link points.
    fs::create_symlink("real/new.txt", d + "/weaponcfg.txt");
    QVERIFY(WriteFileAtomic(d + "/weaponcfg.txt", "a\r\n", &error));
    QCOMPARE(ReadAll(QString::fromStdString(d + "/real/new.txt")), std::string("a\r\n"));
    QVERIFY(fs::is_symlink(d + "/weaponcfg.txt"));
  }

  // A replaced file keeps its mode; a new one gets the usual mode, or the
  // owner's alone for the files with passwords.
  void modesAreKept() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("vehiclecfg.txt").toStdString();
    WriteAll(QString::fromStdString(path), "x\r\n");
    QCOMPARE(chmod(path.c_str(), 0664), 0);
    std::string error;
    QVERIFY(WriteFileAtomic(path, "y\r\n", &error));
    QCOMPARE(Mode(path), 0664);
    const mode_t mask = umask(0);
    umask(mask);
    const std::string fresh = dir.filePath("profile.rpf").toStdString();
    QVERIFY(WriteFileAtomic(fresh, "", &error));
    QCOMPARE(Mode(fresh), int(0666 & ~mask));
    const std::string secret = dir.filePath("passes.txt").toStdString();
    QVERIFY(WriteFileAtomic(secret, "", &error, NewFileMode::kPrivate));
    QCOMPARE(Mode(secret), 0600);
  }

  // A data file found read-only at start that cannot be made writable is
  // never replaced by this run: told once, each save refused in German.
  // The writable step fails here on purpose (root could make anything
  // writable); where the file system allows it, a real immutable file too.
  void readOnlyAtStartIsNeverWritten() {
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    const std::string guids = d + "/Guids.dat";
    WriteAll(QString::fromStdString(guids), "old");
    QCOMPARE(chmod(guids.c_str(), 0444), 0);
    const auto messages = MakeDataFilesWritable(d, [](const std::string&) { return false; });
    QCOMPARE(messages, std::vector<std::string>{"Fehler: " + guids +
                                                " ist schreibgeschützt! Änderungen an dieser "
                                                "Datei werden nicht gespeichert."});
    QVERIFY(IsFileProtectedForRun(guids));
    std::string error;
    QVERIFY(!WriteFileAtomic(guids, "new", &error));
    QCOMPARE(error, "Die Datei " + guids +
                        " konnte nicht gespeichert werden: keine Berechtigung. Die Datei bleibt "
                        "unverändert. (Permission denied)");
    QCOMPARE(ReadAll(QString::fromStdString(guids)), std::string("old"));
    QCOMPARE(Mode(guids), 0444);

    const std::string servers = d + "/Servers.dat";
    WriteAll(QString::fromStdString(servers), "keep");
    if (!SetImmutable(servers, true)) QSKIP("no immutable attribute here");
    const auto told = MakeDataFilesWritable(d);
    QVERIFY(std::find_if(told.begin(), told.end(), [&](const std::string& m) {
              return m.find(servers) != std::string::npos;
            }) != told.end());
    QVERIFY(!SaveServers(servers, {}, &error));
    SetImmutable(servers, false);
    QCOMPARE(ReadAll(QString::fromStdString(servers)), std::string("keep"));
  }
#endif

  // Read errors say what stays as it is, in German, the system's text in
  // brackets.
  void errorsInGerman() {
    QTemporaryDir dir;
    std::string bytes, error;
    QCOMPARE(ReadWholeFile(dir.path().toStdString(), bytes, &error), ReadResult::kError);
    QCOMPARE(error, "Die Datei " + dir.path().toStdString() +
                        " konnte nicht gelesen werden: es ist ein Ordner. Die Datei bleibt "
                        "unverändert. (Is a directory)");
    QCOMPARE(FileErrorText(FileAction::kWrite, "/x", 0),
             std::string("Die Datei /x konnte nicht gespeichert werden. Die Datei bleibt "
                         "unverändert."));
  }

  // The editors' text files: every line ends with CR LF, the last one too.
  void editorLinesEndWithCrLf() {
    QCOMPARE(CrLfLines("mp_a\nmp_b"), std::string("mp_a\r\nmp_b\r\n"));
    QCOMPARE(CrLfLines("mp_a\n"), std::string("mp_a\r\n"));
    QCOMPARE(CrLfLines(""), std::string());
    QCOMPARE(CrLfLines("\n\n"), std::string("\r\n\r\n"));
  }
};

QTEST_APPLESS_MAIN(TestFileIo)
#include "test_fileio.moc"
