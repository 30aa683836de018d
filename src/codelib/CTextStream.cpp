#include "codelib/CTextStream.h"

#include <cstdint>

#include "platform/FileIO.h"

namespace pf {

namespace {

// Applies `code(byte, position)` to every character, running `pump` after every `step`.
template <class F>
std::string Transform(std::string_view in, size_t step, const std::function<void()>& pump, F code) {
  std::string out(in.size(), '\0');
  for (size_t chunk = 0; chunk < in.size(); chunk += step) {
    const size_t end = chunk + step < in.size() ? chunk + step : in.size();
    for (size_t i = chunk; i < end; ++i) {
      const unsigned p = static_cast<unsigned>((i + 1) & 127);  // position from 1, mod 128
      out[i] = static_cast<char>(code(static_cast<uint8_t>(in[i]), p) & 127u);
    }
    if (pump && end - chunk == step) pump();
  }
  return out;
}

}  // namespace

std::string CTextStream::Scramble(std::string_view plain, const std::function<void()>& pump) {
  return Transform(plain, 1000, pump, [](unsigned c, unsigned p) { return c + p + kScrambleOffset; });
}

std::string CTextStream::Unscramble(std::string_view data, const std::function<void()>& pump) {
  // 256 keeps the unsigned difference positive; it is a multiple of 128.
  return Transform(data, 200, pump, [](unsigned b, unsigned p) { return b + 256u - p - kScrambleOffset; });
}

void CTextStream::LoadFromFile(const std::string& FileName, bool Encrypted) {
  std::string content = ReadFile(FileName);
  Text = Encrypted ? Unscramble(content, PumpEvents) : std::move(content);
}

void CTextStream::SaveToFile(const std::string& FileName, bool Encrypted) const {
  if (Encrypted)
    WriteFile(FileName, Scramble(Text, PumpEvents));
  else
    WriteFile(FileName, Text);
}

std::string CTextStream::ReadFile(const std::string& FileName) { return FileIO::ReadBytes(FileName); }

void CTextStream::WriteFile(const std::string& FileName, std::string_view text) { FileIO::WriteAtomic(FileName, text); }

}  // namespace pf
