// A data folder whose name is not ASCII (C:\Users\Jörg\...) must work for
// every data file. Plain C++ without Qt: the same program is built for Linux
// (run by CTest) and by the Windows cross build, where it runs under Wine
// (-DCMAKE_CROSSCOMPILING_EMULATOR=wine) or on Windows itself; that is the
// platform whose 8-bit file functions would misread such a path.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "core/datafolder.h"
#include "core/fileio.h"
#include "core/paths.h"
#include "core/profile.h"
#include "core/serverfile.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "protocol/udpsocket.h"

namespace fs = std::filesystem;
using namespace zelmora;

namespace {

int failures = 0;

void Check(bool ok, const char* what, int line) {
  if (ok) return;
  std::fprintf(stderr, "FAIL line %d: %s\n", line, what);
  ++failures;
}
#define CHECK(cond) Check((cond), #cond, __LINE__)

std::string Utf8(const char8_t* s) {
  return reinterpret_cast<const char*>(s);
}

// The folder's own names, listed without the file layer under test.
std::vector<fs::path> Entries(const fs::path& dir) {
  std::vector<fs::path> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename());
  return names;
}

void DataFiles(const fs::path& root) {
  // Latin-1 letters, the euro sign (Windows-1252 but not Latin-1) and
  // letters no 8-bit Windows code page of Western Europe has.
  const fs::path dir = root / u8"Jörg Ä€ 日本";
  fs::create_directories(dir / u8"flags");
  const std::string dirUtf8 = PathToUtf8(dir);
  CHECK(dirUtf8.find(Utf8(u8"Jörg Ä€ 日本")) != std::string::npos);
  CHECK(PathFromUtf8(dirUtf8) == dir);
  SetDataDir(dirUtf8);

  // Servers.dat: the record lands in the folder under its own name.
  Tserverlist list(1);
  list[0].host.assign("127.0.0.1");
  list[0].port.assign("28960");
  list[0].rconpass.assign("p\xE4sswort");  // Windows-1252 bytes stay bytes
  std::string error;
  CHECK(SaveServers(DataPath("Servers.dat"), list, &error));
  std::error_code ec;
  CHECK(fs::file_size(dir / "Servers.dat", ec) == kServerRecSize);
  Tserverlist back;
  CHECK(LoadServers(DataPath("Servers.dat"), back, &error));
  CHECK(back.size() == 1 && back[0].rconpass.str() == "p\xE4sswort" &&
        back[0].port.str() == "28960");
  // Replacing leaves no temporary file behind.
  CHECK(SaveServers(DataPath("Servers.dat"), list, &error));

  // A missing file is missing, not an error; a folder in the way is an
  // error whose text names the path as it was given.
  std::string bytes;
  CHECK(ReadWholeFile(DataPath("Guids.dat"), bytes, &error) == ReadResult::kMissing);
  error.clear();
  CHECK(ReadWholeFile(DataPath("flags"), bytes, &error) == ReadResult::kError);
  CHECK(error.rfind("Die Datei " + DataPath("flags") + " konnte nicht gelesen werden", 0) == 0);
  error.clear();
  CHECK(!WriteFileAtomic(DataPath("flags"), "x", &error));
  CHECK(error.rfind("Die Datei " + DataPath("flags") + " konnte nicht gespeichert werden", 0) == 0);

  // config.ini through the profile layer, read back by a fresh reader.
  {
    ProfileFile ini(DataPath("config.ini"));
    CHECK(ini.WriteString("Einstellungen", "Name", "J\xF6rg"));
  }
  {
    ProfileFile ini(DataPath("config.ini"));
    CHECK(ini.GetString("Einstellungen", "Name", "-") == "J\xF6rg");
  }
  CHECK(fs::exists(dir / "config.ini", ec));

  // Ranges.dat.
  Trangerec range;
  range.first = 127LL << 24;
  range.last = (127LL << 24) + 0xFFFFFF;
  range.cc.assign("de");
  range.country.assign("Deutschland");
  std::string image(kRangeRecSize, '\0');
  EncodeRange(range, reinterpret_cast<std::uint8_t*>(image.data()));
  CHECK(WriteFileAtomic(DataPath("Ranges.dat"), image, &error));
  const auto ranges = LoadRanges(DataPath("Ranges.dat"), &error);
  CHECK(ranges.size() == 1 && ranges[0].country.str() == "Deutschland");

  // A read-only data file is made writable again.
  fs::permissions(dir / "Ranges.dat",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove, ec);
  CHECK(MakeDataFilesWritable(DataDir()).empty());
  CHECK((fs::status(dir / "Ranges.dat", ec).permissions() & fs::perms::owner_write) !=
        fs::perms::none);

  const std::vector<fs::path> names = Entries(dir);
  CHECK(names.size() == 4);  // config.ini, flags, Ranges.dat, Servers.dat
  for (const fs::path& n : names)
    CHECK(n == "config.ini" || n == "flags" || n == "Ranges.dat" || n == "Servers.dat");

  // Flag bitmaps, one of them named in letters outside every 8-bit code
  // page: listing must not fail, and each path handed out opens.
  for (const fs::path& name : {fs::path(u8"de.bmp"), fs::path(u8"öl.bmp"), fs::path(u8"日本.bmp")})
    CHECK(WriteFileAtomic(PathToUtf8(dir / "flags" / name), "BM", &error));
  const auto flags = LoadFlagCodes(DataDir() + "flags");
  CHECK(flags.size() == 3);
  for (const Tflag& f : flags) {
    CHECK(ReadWholeFile(f.file, bytes, &error) == ReadResult::kOk && bytes == "BM");
    CHECK(PathFromUtf8(f.file).parent_path() == dir / "flags");
  }
  CHECK(FindFlag(flags, "de") == 0);
}

void Conversions() {
  CHECK(PathFromUtf8("").empty());
  CHECK(PathToUtf8(PathFromUtf8(Utf8(u8"a/Jörg/€/日本/𝄞"))) == Utf8(u8"a/Jörg/€/日本/𝄞"));
  // Bytes that are no UTF-8 never throw; elsewhere than on Windows they are
  // the file name's own bytes and come back unchanged.
  const fs::path odd = PathFromUtf8("J\xF6rg\xFF");
#ifndef _WIN32
  CHECK(PathToUtf8(odd) == "J\xF6rg\xFF");
#else
  CHECK(!odd.empty());
#endif
}

// The socket layer on loopback: one round trip, and an oversize datagram
// reported as a failed receive.
void Loopback() {
  UdpSocket a, b;
  CHECK(a.Open(8192) && b.Open(8192));
  std::string err;
  CHECK(
      a.SendTo("127.0.0.1", b.LocalPort(), std::string("\xFF\xFF\xFF\xFFgetstatus\0x", 15), &err));
  const auto r = b.Receive(5000);
  CHECK(r.got && !r.failed && r.data == std::string("\xFF\xFF\xFF\xFFgetstatus\0x", 15));
  CHECK(r.host == "127.0.0.1" && r.port == a.LocalPort());
  CHECK(a.SendTo("127.0.0.1", b.LocalPort(), std::string(100, 'x'), &err));
  const auto big = b.Receive(5000, 99);
  CHECK(!big.got && big.failed);
}

// Where the data lives: beside the executable when it runs from a folder of
// its own, in a folder per user when it is installed (its data in
// ../share/zelmora beside its bin folder), seeded at the first start
// without replacing what the user has; the country data read from the
// installed place unless the user has his own.
void Folders(const fs::path& root) {
  std::error_code ec;
  const fs::path prefix = root / u8"prefix Jörg";
  const fs::path share = prefix / "share" / "zelmora";
  fs::create_directories(prefix / "bin", ec);
  fs::create_directories(share / "rconcfg", ec);
  fs::create_directories(share / "mapimgs", ec);
  std::string error;
  for (const char* f : {"Ranges.dat", "rconcfg/cod2_118.rpf", "weaponcfg.txt",
                        "vehiclecfg.txt", "mapimgs/no_map.jpg", "mapimgs/117_mp_x.jpg"})
    CHECK(WriteFileAtomic(PathToUtf8(share / f), std::string("installed ") + f, &error));
  const std::string home = PathToUtf8(root / "home" / ".local" / "share");

  // Installed.
  DataFolders f = ChooseDataFolders(PathToUtf8(prefix / "bin"), home);
  CHECK(PathFromUtf8(f.data) == (root / "home" / ".local" / "share" / "zelmora" / ""));
  CHECK(PathFromUtf8(f.installed) == (share / "").lexically_normal());
  // The user's own weapon list stays; the rest is seeded.
  fs::create_directories(PathFromUtf8(f.data), ec);
  CHECK(WriteFileAtomic(f.data + "weaponcfg.txt", "mine\r\n", &error));
  CHECK(SeedDataFolder(f.installed, f.data, &error));
  std::string bytes;
  CHECK(ReadWholeFile(f.data + "weaponcfg.txt", bytes, &error) == ReadResult::kOk &&
        bytes == "mine\r\n");
  CHECK(ReadWholeFile(f.data + "rconcfg/cod2_118.rpf", bytes, &error) == ReadResult::kOk);
  CHECK(ReadWholeFile(f.data + "vehiclecfg.txt", bytes, &error) == ReadResult::kOk);
  CHECK(!fs::exists(PathFromUtf8(f.data + "Ranges.dat"), ec));  // read where it is
  SetDataDir(f.data);
  SetInstalledDataDir(f.installed);
  CHECK(PathFromUtf8(ReadablePath("Ranges.dat")) == share / "Ranges.dat");
  CHECK(PathFromUtf8(ReadablePath("mapimgs/117_mp_x.jpg")) == share / "mapimgs" / "117_mp_x.jpg");
  CHECK(WriteFileAtomic(f.data + "Ranges.dat", "own", &error));
  CHECK(ReadablePath("Ranges.dat") == f.data + "Ranges.dat");
  // A second start seeds nothing over the user's profiles.
  CHECK(WriteFileAtomic(f.data + "rconcfg/cod2_118.rpf", "edited", &error));
  CHECK(SeedDataFolder(f.installed, f.data, &error));
  CHECK(ReadWholeFile(f.data + "rconcfg/cod2_118.rpf", bytes, &error) == ReadResult::kOk &&
        bytes == "edited");
  SetInstalledDataDir("");

  // A folder of its own (a build folder, a portable copy with its data).
  f = ChooseDataFolders(PathToUtf8(root / "build" / "app"), home);
  CHECK(f.installed.empty() && PathFromUtf8(f.data) == root / "build" / "app" / "");
  CHECK(WriteFileAtomic(PathToUtf8(prefix / "bin" / "Ranges.dat"), "portable", &error));
  f = ChooseDataFolders(PathToUtf8(prefix / "bin"), home);
  CHECK(f.installed.empty() && PathFromUtf8(f.data) == prefix / "bin" / "");
}

}  // namespace

int main() {
  std::error_code ec;
  const fs::path root = fs::temp_directory_path(ec) /
                        ("zelmora-datafolder-" + std::to_string(std::random_device{}()));
  fs::remove_all(root, ec);
  Conversions();
  DataFiles(root);
  Folders(root);
  Loopback();
  fs::remove_all(root, ec);
  std::printf("%s: %d failed\n", failures ? "FAILED" : "passed", failures);
  return failures ? 1 : 0;
}
