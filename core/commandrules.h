// The quoting rule for every text Zelmora puts into an rcon command line.
//
// The game's console cuts a command line into commands at every ";" outside
// double quotes and at every line break (inside quotes too), reads a request
// only up to its first line feed or NUL, splits words at blanks and control
// characters, takes "//" outside quotes as the start of a comment and has no
// escape for a double quote. So:
// - Names (variables, maps, configuration files, game types) go on the line
//   unquoted and may only hold characters that are a word by themselves.
// - Values and free text go between double quotes; what could end the quotes
//   or the line is refused, a ";" inside them stays text.
// - Passwords travel between quotes in every rcon datagram, and the game
//   finds the command after the password by skipping to the next blank.
//
// Each check gives "" when the text may be used, else a German sentence for
// the operator that names the first offending character. The sentences are
// UI texts, not game data: UTF-8 (a Windows-1252 byte of the text is shown
// as its character).
//
// These functions live in core because the profile reader and the server
// file's password check need them; protocol/commands.h builds every command
// line on them and is where senders take them from.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelmora {

// Longest name of a variable, map or configuration file.
inline constexpr std::size_t kMaxCommandNameLength = 64;
// Longest client number: the status table's number column is 3 wide.
inline constexpr std::size_t kMaxClientNumberLength = 3;

// A name: 1 to 64 characters from A-Z, a-z, 0-9, "_", ".", "/" and "-",
// without "//" (the console would take the rest of the line as a comment).
// "Das Zeichen \";\" ist in Namen nicht erlaubt.", "Der Name ist leer.", ...
std::string NameProblem(std::string_view name);

// A value or free text that goes between double quotes: anything but a double
// quote, CR, LF and NUL (empty is fine).
// "Das Anführungszeichen (\") ist in Werten und Texten nicht erlaubt.", ...
std::string ValueProblem(std::string_view text);

// An rcon or join password: no double quote, no blank and no control
// character (CR, LF, NUL, tab, ...). The empty password is fine here; whether
// it may be used is the caller's matter (empty means no rcon access).
// "Das Leerzeichen ist in Passwörtern nicht erlaubt.", ...
std::string PasswordProblem(std::string_view password);

// A client number: 1 to 3 decimal digits.
// "Das Zeichen \"x\" ist in Spielernummern nicht erlaubt.", ...
std::string ClientNumberProblem(std::string_view number);

// The character as the messages name it, as the subject of a German
// sentence with its article: "Das Zeichen \";\"", "Das Leerzeichen",
// "Der Zeilenumbruch (LF)", "Der Wagenrücklauf (CR)", "Das Nullzeichen (NUL)",
// "Der Tabulator (TAB)", "Das Steuerzeichen 0x1B", "Das Zeichen \"ä\"" (a
// byte of Windows-1252 text, given in UTF-8), "Das Zeichen mit dem Code 0x80".
std::string CharacterPhrase(unsigned char c);

}  // namespace zelmora
