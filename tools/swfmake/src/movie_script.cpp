#include "movie_script.h"

#include <cctype>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <variant>

#include "swfplayer/asm/actions.h"
#include "swfplayer/asm/movie_builder.h"

namespace swfmake {

namespace {

// One word of a line: a quoted text, a $variable, or a bare word (names, numbers, colours).
struct Token {
  enum Kind { kWord, kText, kVariable } kind = kWord;
  std::string text;
};

struct ScriptError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& message) { throw ScriptError(message); }

std::vector<Token> Split(std::string_view line) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#' && (i + 1 >= line.size() || !std::isxdigit(static_cast<unsigned char>(line[i + 1])))) {
      break;  // a comment; "#1d4fa8" is a colour
    } else if (c == '"') {
      Token t{Token::kText, {}};
      for (++i;; ++i) {
        if (i >= line.size()) Fail("a text has no closing quote");
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size()) {
          char e = line[++i];
          t.text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
        } else {
          t.text += line[i];
        }
      }
      ++i;
      tokens.push_back(std::move(t));
    } else {
      size_t end = line.find_first_of(" \t\r\"", i);
      if (end == std::string_view::npos) end = line.size();
      std::string word(line.substr(i, end - i));
      if (word[0] == '$') {
        if (word.size() == 1) Fail("'$' needs a variable name");
        tokens.push_back({Token::kVariable, word.substr(1)});
      } else {
        tokens.push_back({Token::kWord, word});
      }
      i = end;
    }
  }
  return tokens;
}

// Walks the words of one line.
class Line {
 public:
  explicit Line(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  bool AtEnd() const { return next_ >= tokens_.size(); }
  const Token& Peek() const { return tokens_[next_]; }
  bool PeekWord(std::string_view word) const {
    return !AtEnd() && Peek().kind == Token::kWord && Peek().text == word;
  }

  std::string Word(const char* what) {
    if (AtEnd() || Peek().kind != Token::kWord) Fail(std::string("expected ") + what);
    return tokens_[next_++].text;
  }
  std::string Text(const char* what) {
    if (AtEnd() || Peek().kind != Token::kText) Fail(std::string("expected ") + what + " in double quotes");
    return tokens_[next_++].text;
  }
  double Number(const char* what, double least, double most) {
    std::string word = Word(what);
    size_t used = 0;
    double v = 0;
    try {
      v = std::stod(word, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != word.size() || !std::isfinite(v)) Fail(std::string(what) + " must be a number, not '" + word + "'");
    if (v < least || v > most) {
      Fail(std::string(what) + " must be between " + Format(least) + " and " + Format(most));
    }
    return v;
  }
  int Whole(const char* what, int least, int most) {
    double v = Number(what, least, most);
    if (v != std::floor(v)) Fail(std::string(what) + " must be a whole number");
    return static_cast<int>(v);
  }
  swfasm::Color Colour() {
    std::string word = Word("a colour #RRGGBB");
    if (word.size() != 7 || word[0] != '#') Fail("a colour is written #RRGGBB, not '" + word + "'");
    for (size_t k = 1; k < 7; ++k) {
      if (!std::isxdigit(static_cast<unsigned char>(word[k]))) Fail("a colour is written #RRGGBB, not '" + word + "'");
    }
    unsigned long rgb = std::stoul(word.substr(1), nullptr, 16);
    return {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb), 255};
  }
  // The rest of the line as values to join: texts, numbers and $variables.
  std::vector<Token> Values() {
    std::vector<Token> values(tokens_.begin() + static_cast<long>(next_), tokens_.end());
    next_ = tokens_.size();
    return values;
  }
  void End() {
    if (!AtEnd()) Fail("unexpected '" + Peek().text + "' at the end of the line");
  }

  static std::string Format(double v) {
    std::string s = std::to_string(v);
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
  }

 private:
  std::vector<Token> tokens_;
  size_t next_ = 0;
};

// Stage coordinates in pixels; the file keeps twips in signed fields well inside this range.
constexpr double kFar = 100000;

bool IsPlainNumber(const Token& t) {
  if (t.kind != Token::kWord) return false;
  size_t used = 0;
  try {
    std::stod(t.text, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == t.text.size();
}

// Pushes the values joined into one text (numbers alone stay numbers).
void PushJoined(swfasm::Actions& a, const std::vector<Token>& values) {
  if (values.empty()) {
    a.Push({std::string()});
    return;
  }
  for (size_t k = 0; k < values.size(); ++k) {
    const Token& v = values[k];
    if (v.kind == Token::kVariable) {
      a.Push({v.text});
      a.Op(swfasm::Action::GetVariable);
    } else if (v.kind == Token::kText) {
      a.Push({v.text});
    } else if (IsPlainNumber(v)) {
      a.Push({std::stod(v.text)});
    } else {
      Fail("'" + v.text + "' is neither a \"text\", a number nor a $variable");
    }
    if (k > 0) a.Op(swfasm::Action::StringAdd);
  }
}

class Maker {
 public:
  MakeResult Run(std::string_view script) {
    MakeResult result;
    size_t number = 0;
    size_t start = 0;
    try {
      while (start <= script.size()) {
        size_t end = script.find('\n', start);
        if (end == std::string_view::npos) end = script.size();
        ++number;
        std::vector<Token> tokens = Split(script.substr(start, end - start));
        if (!tokens.empty()) Statement(Line(std::move(tokens)));
        start = end + 1;
      }
      number = 0;
      if (!movie_) Fail("the script has no 'movie' line");
      // What follows the last 'frame' line makes one more frame.
      if (open_ || frames_ == 0) {
        Flush();
        movie_->Main().ShowFrame();
      }
      result.movie = movie_->Build();
    } catch (const std::exception& e) {
      result.error = number ? std::to_string(number) + ": " + e.what() : e.what();
      result.movie.clear();
    }
    return result;
  }

 private:
  void Statement(Line line) {
    std::string verb = line.Word("a command");
    if (verb == "movie") return Movie(line);
    if (!movie_) Fail("the first command must be 'movie WIDTH HEIGHT ...'");
    swfasm::Timeline& main = movie_->Main();
    open_ = verb != "frame" && verb != "shape" && verb != "text";
    if (verb == "shape") {
      Shape(line);
    } else if (verb == "text") {
      Text(line);
    } else if (verb == "place") {
      uint16_t id = Character(line.Word("a shape or text name"));
      uint16_t depth = static_cast<uint16_t>(line.Whole("the depth", 1, 16000));
      swfasm::Transform at;
      std::string instance;
      if (line.PeekWord("at")) {
        line.Word("at");
        at = Position(line);
      }
      if (line.PeekWord("name")) {
        line.Word("name");
        instance = line.Word("an instance name");
      }
      line.End();
      main.Place(id, depth, at, instance);
    } else if (verb == "move") {
      uint16_t depth = static_cast<uint16_t>(line.Whole("the depth", 1, 16000));
      if (line.Word("'to'") != "to") Fail("write 'move DEPTH to X Y'");
      swfasm::Transform to = Position(line);
      line.End();
      main.Move(depth, to);
    } else if (verb == "remove") {
      uint16_t depth = static_cast<uint16_t>(line.Whole("the depth", 1, 16000));
      line.End();
      main.Remove(depth);
    } else if (verb == "label") {
      std::string name = line.Word("a frame label");
      line.End();
      labels_[name] = frames_;
      main.Label(name);
    } else if (verb == "frame") {
      int count = line.AtEnd() ? 1 : line.Whole("the number of frames", 1, 16000);
      line.End();
      Flush();
      for (int k = 0; k < count; ++k) {
        if (frames_ >= 16000) Fail("a movie has at most 16000 frames");
        main.ShowFrame();
        ++frames_;
      }
    } else {
      // Each action record carries a 16-bit length; the assembler refuses what does not fit.
      try {
        Action(verb, line);
      } catch (const std::length_error&) {
        Fail("this action would need more than 65535 bytes, the most one action can hold; split the text");
      }
    }
  }

  void Movie(Line& line) {
    if (movie_) Fail("'movie' comes once, first");
    double width = line.Number("the width", 1, 8191);
    double height = line.Number("the height", 1, 8191);
    double rate = 12;
    int version = 6;
    std::optional<swfasm::Color> background;
    bool compressed = false;
    while (!line.AtEnd()) {
      std::string key = line.Word("rate, background, version or compressed");
      if (key == "rate") {
        rate = line.Number("the frame rate", 0.01, 255);
      } else if (key == "background") {
        background = line.Colour();
      } else if (key == "version") {
        version = line.Whole("the SWF version", 4, 10);
      } else if (key == "compressed") {
        compressed = true;
      } else {
        Fail("unknown movie setting '" + key + "' (rate, background, version, compressed)");
      }
    }
    movie_.emplace(version, width, height, rate);
    movie_->SetCompressed(compressed);
    if (background) movie_->Main().Background(*background);
  }

  void Shape(Line& line) {
    std::string name = NewName(line);
    std::string kind = line.Word("rect or ellipse");
    uint16_t id = 0;
    if (kind == "rect") {
      double x = line.Number("x", -kFar, kFar), y = line.Number("y", -kFar, kFar);
      double w = line.Number("the width", 0, kFar), h = line.Number("the height", 0, kFar);
      id = movie_->Rectangle(x, y, w, h, line.Colour());
    } else if (kind == "ellipse") {
      double x = line.Number("the centre's x", -kFar, kFar), y = line.Number("the centre's y", -kFar, kFar);
      double rx = line.Number("the x radius", 0, kFar), ry = line.Number("the y radius", 0, kFar);
      id = movie_->Ellipse(x, y, rx, ry, line.Colour());
    } else {
      Fail("a shape is 'rect X Y WIDTH HEIGHT #RRGGBB' or 'ellipse CX CY RX RY #RRGGBB', not '" + kind + "'");
    }
    line.End();
    characters_[name] = id;
  }

  void Text(Line& line) {
    std::string name = NewName(line);
    swfasm::EditTextSpec spec;
    spec.x = line.Number("x", -kFar, kFar);
    spec.y = line.Number("y", -kFar, kFar);
    spec.width = line.Number("the width", 1, kFar);
    spec.height = line.Number("the height", 1, kFar);
    while (!line.AtEnd()) {
      if (line.Peek().kind == Token::kText) {
        spec.text = line.Text("the text");
        continue;
      }
      std::string key = line.Word("var, size, color or a \"text\"");
      if (key == "var") {
        spec.variable = line.Word("a variable name");
      } else if (key == "size") {
        spec.fontSize = line.Number("the font size", 1, 500);
      } else if (key == "color") {
        spec.color = line.Colour();
      } else if (key == "multiline") {
        spec.multiline = spec.wordWrap = true;
      } else {
        Fail("unknown text setting '" + key + "' (var, size, color, multiline)");
      }
    }
    characters_[name] = movie_->DefineEditText(spec);
  }

  void Action(const std::string& verb, Line& line) {
    swfasm::Actions a;
    if (verb == "trace") {
      PushJoined(a, line.Values());
      a.Op(swfasm::Action::Trace);
    } else if (verb == "fscommand") {
      std::string command = line.Text("the command");
      std::vector<Token> args = line.Values();
      bool literal = true;
      for (const Token& t : args) literal = literal && t.kind == Token::kText;
      if (literal) {
        std::string text;
        for (const Token& t : args) text += t.text;
        a.GetUrl("FSCommand:" + command, text);
      } else {
        a.Push({"FSCommand:" + command});
        PushJoined(a, args);
        a.GetUrl2(0);
      }
    } else if (verb == "set") {
      std::string name = line.Word("a variable name");
      a.Push({name});
      PushJoined(a, line.Values());
      a.Op(swfasm::Action::SetVariable);
    } else if (verb == "stop" || verb == "play") {
      line.End();
      a.Op(verb == "stop" ? swfasm::Action::Stop : swfasm::Action::Play);
    } else if (verb == "gotoAndPlay" || verb == "gotoAndStop") {
      if (!line.AtEnd() && line.Peek().kind == Token::kText) {
        a.GotoLabel(line.Text("a frame label"));
      } else {
        a.GotoFrame(static_cast<uint16_t>(line.Whole("the frame number", 1, 16000) - 1));
      }
      line.End();
      if (verb == "gotoAndPlay") a.Op(swfasm::Action::Play);
    } else {
      Fail("unknown command '" + verb + "'");
    }
    std::vector<uint8_t> bytes = a.Body();
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  }

  // The frame's actions go into one action block before the frame ends.
  void Flush() {
    if (pending_.empty()) return;
    pending_.push_back(0);  // End
    movie_->Main().Tag(12, pending_);
    pending_.clear();
  }

  swfasm::Transform Position(Line& line) {
    double x = line.Number("x", -kFar, kFar);
    double y = line.Number("y", -kFar, kFar);
    return swfasm::Transform::Translate(x, y);
  }

  std::string NewName(Line& line) {
    std::string name = line.Word("a name");
    if (characters_.count(name)) Fail("'" + name + "' is already defined");
    return name;
  }

  uint16_t Character(const std::string& name) {
    auto it = characters_.find(name);
    if (it == characters_.end()) Fail("no shape or text is called '" + name + "'");
    return it->second;
  }

  std::optional<swfasm::MovieBuilder> movie_;
  std::map<std::string, uint16_t> characters_;
  std::map<std::string, int> labels_;
  std::vector<uint8_t> pending_;
  int frames_ = 0;
  bool open_ = false;  // the current frame has content the last 'frame' line did not end
};

}  // namespace

MakeResult MakeMovie(std::string_view script) { return Maker().Run(script); }

}  // namespace swfmake
