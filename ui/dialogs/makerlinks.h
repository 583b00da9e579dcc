// Web addresses of Zelmora's maker, each stated here and nowhere else: the
// version file asked for by the version check, the pages behind the links of
// the about and version windows.
#pragma once

namespace zelmora {

// A plain text file whose body is the newest version number.
inline constexpr char kVersionUrl[] = "http://www.zelmora.de/zelmora/version.txt";
// The maker's home page and its page about Zelmora.
inline constexpr char kHomepageUrl[] = "http://www.zelmora.de/";
inline constexpr char kProductPageUrl[] = "http://www.zelmora.de/zelmora/";
// The support forum.
inline constexpr char kSupportForumUrl[] = "http://forum.zelmora.de/";

}  // namespace zelmora
