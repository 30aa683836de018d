#pragma once
// Reads and writes the code library file in its plain form (the text's bytes) or its
// scrambled form: one byte per character, the character with code c at position p
// (from 1) stored as (c + p + K) mod 128. Reading reverses it into 0..127, so any
// byte sequence unscrambles to some text; characters of 128 and above keep only
// their low seven bits when scrambled. No header, length field or terminator.
//
// File errors are AppError (53 file not found, 75 access) naming the path. Writing
// replaces the file atomically: a failed write leaves the previous file intact.

#include <functional>
#include <string>
#include <string_view>

namespace pf {

class CTextStream {
 public:
  // K of the scrambled form. A file scrambled with another value reads as garbage.
  static constexpr unsigned kScrambleOffset = 29;

  // The whole plain text after LoadFromFile, or the text SaveToFile writes.
  std::string Text;
  // Lets pending window messages run during long scrambling loops; may be empty.
  std::function<void()> PumpEvents;

  void LoadFromFile(const std::string& FileName, bool Encrypted);
  void SaveToFile(const std::string& FileName, bool Encrypted) const;

  // The scrambling itself; `pump` runs after every 1000 (Scramble) or 200 (Unscramble)
  // characters when given.
  static std::string Scramble(std::string_view plain, const std::function<void()>& pump = {});
  static std::string Unscramble(std::string_view data, const std::function<void()>& pump = {});

 private:
  static std::string ReadFile(const std::string& FileName);
  static void WriteFile(const std::string& FileName, std::string_view text);
};

}  // namespace pf
