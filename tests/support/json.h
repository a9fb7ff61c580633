// A strict reader of JSON documents for the tests (objects, arrays, strings with their escapes,
// numbers, true, false, null): what the program writes is read back by code that shares
// nothing with its writer. Malformed input fails the test with the offset.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zr::testing {

struct Json {
  using Object = std::map<std::string, Json>;
  using Array = std::vector<Json>;
  std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<Array>,
               std::shared_ptr<Object>>
      v = nullptr;

  bool isNull() const { return std::holds_alternative<std::nullptr_t>(v); }
  double num() const { return std::get<double>(v); }
  bool boolean() const { return std::get<bool>(v); }
  const std::string& str() const { return std::get<std::string>(v); }
  const Array& arr() const { return *std::get<std::shared_ptr<Array>>(v); }
  const Object& obj() const { return *std::get<std::shared_ptr<Object>>(v); }
  bool has(const std::string& k) const { return obj().count(k) != 0; }
  const Json& operator[](const std::string& k) const {
    const auto it = obj().find(k);
    if (it == obj().end()) throw std::out_of_range("no key " + k);
    return it->second;
  }
  const Json& operator[](std::size_t i) const { return arr().at(i); }
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text) {}

  // The document, or a failed test and null.
  Json document() {
    Json j = value();
    blanks();
    if (ok_ && i_ != s_.size()) fail("text after the document");
    return ok_ ? j : Json{};
  }
  bool ok() const { return ok_; }

 private:
  void fail(const std::string& why) {
    if (ok_) ADD_FAILURE() << "JSON: " << why << " at offset " << i_;
    ok_ = false;
  }
  void blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t'))
      ++i_;
  }
  bool take(char c) {
    blanks();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool word(std::string_view w) {
    if (s_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }

  Json value() {
    blanks();
    if (!ok_ || i_ >= s_.size()) {
      fail("a value is missing");
      return {};
    }
    const char c = s_[i_];
    if (c == '{') return object();
    if (c == '[') return array();
    if (c == '"') return Json{string()};
    if (word("true")) return Json{true};
    if (word("false")) return Json{false};
    if (word("null")) return Json{nullptr};
    return number();
  }

  Json object() {
    ++i_;
    auto o = std::make_shared<Json::Object>();
    if (take('}')) return Json{o};
    do {
      blanks();
      if (i_ >= s_.size() || s_[i_] != '"') {
        fail("a key is missing");
        return {};
      }
      std::string k = string();
      if (!take(':')) fail("':' is missing");
      if (o->count(k)) fail("key " + k + " twice");
      (*o)[k] = value();
    } while (ok_ && take(','));
    if (!take('}')) fail("'}' is missing");
    return Json{o};
  }

  Json array() {
    ++i_;
    auto a = std::make_shared<Json::Array>();
    if (take(']')) return Json{a};
    do a->push_back(value());
    while (ok_ && take(','));
    if (!take(']')) fail("']' is missing");
    return Json{a};
  }

  std::string string() {
    ++i_;
    std::string out;
    while (ok_) {
      if (i_ >= s_.size()) {
        fail("unterminated string");
        break;
      }
      const unsigned char c = static_cast<unsigned char>(s_[i_++]);
      if (c == '"') break;
      if (c < 0x20) fail("control character in a string");
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (i_ >= s_.size()) break;
      const char e = s_[i_++];
      switch (e) {
        case '"': case '\\': case '/': out += e; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          if (i_ + 4 > s_.size()) {
            fail("short \\u escape");
            break;
          }
          const unsigned cp = static_cast<unsigned>(std::stoul(std::string(s_.substr(i_, 4)), nullptr, 16));
          i_ += 4;
          if (cp < 0x80) {
            out += static_cast<char>(cp);
          } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
          } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
          }
          break;
        }
        default:
          fail(std::string("bad escape \\") + e);
      }
    }
    return out;
  }

  Json number() {
    const std::size_t start = i_;
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    const auto digits = [&] {
      const std::size_t from = i_;
      while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
      return i_ > from;
    };
    if (!digits()) {
      fail("not a value");
      return {};
    }
    if (i_ < s_.size() && s_[i_] == '.') {
      ++i_;
      if (!digits()) fail("digits after the point are missing");
    }
    return Json{std::stod(std::string(s_.substr(start, i_ - start)))};
  }

  std::string_view s_;
  std::size_t i_ = 0;
  bool ok_ = true;
};

inline Json parseJson(std::string_view text) {
  return JsonReader(text).document();
}

}  // namespace zr::testing
