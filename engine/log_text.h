// Formats the engine's log and message texts from their printf-like patterns, type-safely:
// %d takes a number, %x a number written in lower-case hexadecimal, %s a string, %06d a
// number padded with zeros to six digits. Numbers are 64-bit, so positions past 2 GiB print
// as they are.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

class LogArg {
 public:
  template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  LogArg(T value) : number_(static_cast<std::int64_t>(value)) {}
  LogArg(const std::string& text) : text_(text), isText_(true) {}
  LogArg(const char* text) : text_(text), isText_(true) {}

  std::int64_t number() const { return number_; }
  std::string_view text() const { return text_; }
  bool isText() const { return isText_; }

 private:
  std::int64_t number_ = 0;
  std::string_view text_;
  bool isText_ = false;
};

std::string formatLogText(std::string_view pattern, std::initializer_list<LogArg> args);
