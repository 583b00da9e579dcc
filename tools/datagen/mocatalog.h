// Reader of gettext message catalogues (.mo files), as Debian's iso-codes
// ships its translations of the country names.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace zelmora::datagen {

// Original text -> translation of every entry of the catalogue (the header
// entry, whose original is empty, left out). Either byte order. An empty map
// when the bytes are no catalogue or an entry points outside them.
std::map<std::string, std::string> ParseMoCatalog(std::string_view bytes);

}  // namespace zelmora::datagen
