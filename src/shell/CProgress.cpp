#include "shell/CProgress.h"

#include <utility>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "base/Utf8.h"

namespace pf {

namespace {
constexpr size_t kMaxShown = 45;

void CheckNotCancelled(bool cancelled) { Faultnet31::Check(!cancelled, ERR_CANCELED, "Operation Canceled"); }

// Control characters of catalogue names shown as escapes ("\r", "\x1B"), so that a name
// cannot move the cursor or overwrite a line of the terminal it is printed on.
std::string Escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) {
      out += c;
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    }
  }
  return out;
}
}  // namespace

void CProgress::Message(std::string_view Msg) {
  CheckNotCancelled(Cancelled);
  if (!ProgressForm) return;
  ProgressForm->SetMessage(DisplayText(Msg));
  ProgressForm->DoEvents();
}

void CProgress::DoEvents() {
  if (ProgressForm) ProgressForm->DoEvents();
}

void CProgress::Poll() {
  DoEvents();
  CheckNotCancelled(Cancelled);
}

void CProgress::Warning(std::string Text) {
  Text = Escaped(Text);
  if (!recorded_.insert(Text).second) return;
  warnings_.push_back(std::move(Text));
}

std::string CProgress::DisplayText(std::string_view Msg) {
  // Find where the 46th character starts, if there is one.
  size_t chars = 0;
  size_t cut = std::string_view::npos;
  for (size_t i = 0; i < Msg.size(); ++i) {
    if (Utf8::IsContinuationByte(Msg[i])) continue;
    if (chars == kMaxShown) {
      cut = i;
      break;
    }
    ++chars;
  }
  std::string text = " ";
  if (cut == std::string_view::npos) {
    text += Escaped(Msg);
  } else {
    text += Escaped(Msg.substr(0, cut));
    text += " ...";
  }
  return text;
}

}  // namespace pf
