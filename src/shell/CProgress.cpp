#include "shell/CProgress.h"

#include <utility>

#include "errors/AppError.h"
#include "errors/Faultnet31.h"
#include "base/Utf8.h"

namespace pf {

namespace {
constexpr size_t kMaxShown = 45;

void CheckNotCancelled(bool cancelled) { Faultnet31::Check(!cancelled, ERR_CANCELED, "Operation Canceled"); }

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
  Text = Utf8::Escaped(Text);
  if (!recorded_.insert(Text).second) return;
  warnings_.push_back(std::move(Text));
}

std::string CProgress::CountText(int32_t Done, int32_t Total) {
  return std::to_string(Done) + " of " + std::to_string(Total) + " procedures";
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
    text += Utf8::Escaped(Msg);
  } else {
    text += Utf8::Escaped(Msg.substr(0, cut));
    text += " ...";
  }
  return text;
}

}  // namespace pf
