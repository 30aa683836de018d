#include "platform/ado/Stream.h"

namespace pf::ado {

namespace {
constexpr const char* kSource = "ADODB.Stream";
}

void Stream::Open() {
  if (open_) ThrowAdoError(adErrObjectOpen, kSource);
  text_.clear();
  position_ = 0;
  open_ = true;
}

void Stream::Close() {
  RequireOpen();
  open_ = false;
  text_.clear();
  position_ = 0;
}

void Stream::RequireOpen() const {
  if (!open_) ThrowAdoError(adErrObjectClosed, kSource);
}

long Stream::Position() const {
  RequireOpen();
  return static_cast<long>(position_);
}

void Stream::SetPosition(long position) {
  RequireOpen();
  if (position < 0 || static_cast<size_t>(position) > text_.size()) ThrowAdoError(adErrInvalidArgument, kSource);
  position_ = static_cast<size_t>(position);
}

long Stream::Size() const {
  RequireOpen();
  return static_cast<long>(text_.size());
}

std::string Stream::ReadText(long numChars) {
  RequireOpen();
  if (numChars < 0 && numChars != adReadAll) ThrowAdoError(adErrInvalidArgument, kSource);
  const size_t n = numChars == adReadAll ? std::string::npos : static_cast<size_t>(numChars);
  std::string out = text_.substr(position_, n);
  position_ += out.size();
  return out;
}

void Stream::WriteText(std::string_view text) {
  RequireOpen();
  text_.replace(position_, std::min(text.size(), text_.size() - position_), text);
  position_ += text.size();
}

void Stream::SetEOS() {
  RequireOpen();
  text_.resize(position_);
}

}  // namespace pf::ado
