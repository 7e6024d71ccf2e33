#include "script.h"

#include <cerrno>
#include <cstdlib>
#include <cctype>
#include <climits>

#include "environment.h"

CallStatus CallFunction(ScriptEnvironment& env, const std::string& name,
                        const std::vector<CallArg>& args, bool implicit_last, AVSValue* result) {
  const std::vector<const FunctionDef*> defs = env.Functions().Find(name);
  if (defs.empty()) return CallStatus::kNoFunction;
  AVSValue last;
  const bool have_last = implicit_last && env.LookupVar("last", &last) && last.IsClip();
  for (const FunctionDef* def : defs) {
    AVSValue bound;
    bool fits = BindArgs(*def, args, &bound);
    if (!fits && have_last && !def->params.empty() && def->params[0].type == 'c') {
      std::vector<CallArg> with_last;
      with_last.push_back(CallArg{"", last});
      with_last.insert(with_last.end(), args.begin(), args.end());
      fits = BindArgs(*def, with_last, &bound);
    }
    if (fits) {
      *result = def->fn(bound, def->user_data, &env);
      // AviSynth+ asks every clip a function returns for its MT mode, and a
      // host's filter declares itself that way: it is asked here as well.
      if (result->IsClip()) result->AsClip()->SetCacheHints(CACHE_GET_MTMODE, 0);
      return CallStatus::kOk;
    }
  }
  return CallStatus::kBadArguments;
}

namespace {

enum class Tok { kIdent, kInt, kFloat, kString, kLParen, kRParen, kComma, kAssign, kDot,
                 kMinus, kNewline, kEnd, kBad };

struct Token {
  Tok kind;
  std::string text;
  int line;
  int column;
};

// Splits the text into tokens; a backslash ending a line joins it with the
// next, and a newline ends a statement.
std::vector<Token> Tokenize(const std::string& text) {
  std::vector<Token> tokens;
  int line = 1;
  size_t line_start = 0;
  size_t i = 0;
  auto column = [&](size_t pos) { return static_cast<int>(pos - line_start); };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      tokens.push_back({Tok::kNewline, "", line, column(i)});
      ++line;
      line_start = ++i;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r') { ++i; continue; }
    if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    if (c == '\\') {
      size_t j = i + 1;
      while (j < text.size() && (text[j] == ' ' || text[j] == '\t' || text[j] == '\r')) ++j;
      if (j >= text.size() || text[j] == '\n') {
        if (j < text.size()) { ++line; line_start = j + 1; }
        i = j + 1;
        continue;
      }
      tokens.push_back({Tok::kBad, "\\", line, column(i)});
      ++i;
      continue;
    }
    const size_t start = i;
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) ++i;
      tokens.push_back({Tok::kIdent, text.substr(start, i - start), line, column(start)});
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      bool is_float = false;
      while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) {
        if (text[i] == '.') {
          if (is_float) break;
          is_float = true;
        }
        ++i;
      }
      tokens.push_back({is_float ? Tok::kFloat : Tok::kInt, text.substr(start, i - start), line,
                        column(start)});
      continue;
    }
    if (c == '"') {
      const size_t close = text.find_first_of("\"\n", i + 1);
      if (close == std::string::npos || text[close] != '"') {
        tokens.push_back({Tok::kBad, "\"", line, column(start)});
        i = (close == std::string::npos) ? text.size() : close;
        continue;
      }
      tokens.push_back({Tok::kString, text.substr(i + 1, close - i - 1), line, column(start)});
      i = close + 1;
      continue;
    }
    Tok kind = Tok::kBad;
    switch (c) {
      case '(': kind = Tok::kLParen; break;
      case ')': kind = Tok::kRParen; break;
      case ',': kind = Tok::kComma; break;
      case '=': kind = Tok::kAssign; break;
      case '.': kind = Tok::kDot; break;
      case '-': kind = Tok::kMinus; break;
      default: break;
    }
    tokens.push_back({kind, std::string(1, c), line, column(i)});
    ++i;
  }
  tokens.push_back({Tok::kNewline, "", line, column(i)});
  tokens.push_back({Tok::kEnd, "", line, column(i)});
  return tokens;
}

class Evaluator {
 public:
  Evaluator(ScriptEnvironment& env, const std::string& text, const char* path)
      : env_(env), tokens_(Tokenize(text)), path_(path) {}

  AVSValue Run() {
    AVSValue result;
    while (Peek().kind != Tok::kEnd) {
      if (Peek().kind == Tok::kNewline) { ++pos_; continue; }
      result = Statement();
      if (Peek().kind != Tok::kNewline) SyntaxError("syntax error", Peek());
      ++pos_;
    }
    return result;
  }

 private:
  int depth_ = 0;

  const Token& Peek(size_t ahead = 0) const {
    const size_t i = pos_ + ahead;
    return i < tokens_.size() ? tokens_[i] : tokens_.back();
  }
  const char* PathText() const { return path_ ? path_ : "(null)"; }

  [[noreturn]] void SyntaxError(const char* message, const Token& at) {
    env_.ThrowError("Script error: %s\n(%s, line %d, column %d)", message, PathText(), at.line,
                    at.column);
    __builtin_unreachable();
  }
  [[noreturn]] void LineError(const std::string& message, int line) {
    if (path_ == nullptr) env_.ThrowError("%s", message.c_str());
    env_.ThrowError("%s\n(%s, line %d)", message.c_str(), path_, line);
    __builtin_unreachable();
  }

  AVSValue Statement() {
    if (Peek().kind == Tok::kIdent && Peek(1).kind == Tok::kAssign) {
      const std::string name = Peek().text;
      pos_ += 2;
      AVSValue value = Expression();
      env_.SetVar(name.c_str(), value);
      return AVSValue();
    }
    AVSValue value = Expression();
    if (value.IsClip()) env_.SetVar("last", value);
    return value;
  }

  // Parentheses and nested calls recurse; a limit turns a hostile script into
  // a syntax error instead of a stack overflow inside the library.
  static constexpr int kMaxNesting = 200;
  struct NestingGuard {
    explicit NestingGuard(int& depth) : depth_(depth) { ++depth_; }
    ~NestingGuard() { --depth_; }
    int& depth_;
  };

  AVSValue Expression() {
    NestingGuard nesting(depth_);
    if (depth_ > kMaxNesting) SyntaxError("expression nested too deeply", Peek());
    AVSValue value = Primary();
    while (Peek().kind == Tok::kDot) {
      ++pos_;
      if (Peek().kind != Tok::kIdent) SyntaxError("syntax error", Peek());
      const Token name = Peek();
      ++pos_;
      std::vector<CallArg> args;
      args.push_back(CallArg{"", value});
      if (Peek().kind == Tok::kLParen) Arguments(&args);
      value = Call(name, args, false);
    }
    return value;
  }

  AVSValue Number(const Token& token, bool negative) {
    ++pos_;
    const std::string text = (negative ? "-" : "") + token.text;
    if (token.kind == Tok::kFloat) return AVSValue(std::strtod(text.c_str(), nullptr));
    errno = 0;
    const long long number = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE) SyntaxError("syntax error", token);
    if (number >= INT_MIN && number <= INT_MAX) return AVSValue(static_cast<int>(number));
    return AVSValue(static_cast<int64_t>(number));
  }

  AVSValue Primary() {
    const Token token = Peek();
    switch (token.kind) {
      case Tok::kInt:
      case Tok::kFloat:
        return Number(token, false);
      case Tok::kMinus:
        ++pos_;
        if (Peek().kind != Tok::kInt && Peek().kind != Tok::kFloat) SyntaxError("syntax error", Peek());
        return Number(Peek(), true);
      case Tok::kString:
        ++pos_;
        return AVSValue(env_.SaveString(token.text.c_str()));
      case Tok::kLParen: {
        ++pos_;
        AVSValue value = Expression();
        if (Peek().kind != Tok::kRParen) SyntaxError("expected a )", Peek());
        ++pos_;
        return value;
      }
      case Tok::kIdent: {
        ++pos_;
        const std::string lower = ToLower(token.text);
        if (Peek().kind != Tok::kLParen) {
          if (lower == "true") return AVSValue(true);
          if (lower == "false") return AVSValue(false);
          AVSValue value;
          if (env_.LookupVar(token.text, &value)) return value;
          if (!env_.Functions().Exists(token.text)) {
            LineError("Script error: I don't know what '" + token.text + "' means.", token.line);
          }
          return Call(token, {}, true);
        }
        std::vector<CallArg> args;
        Arguments(&args);
        return Call(token, args, true);
      }
      default:
        SyntaxError("syntax error", token);
    }
  }

  void Arguments(std::vector<CallArg>* args) {
    ++pos_;  // '('
    if (Peek().kind == Tok::kRParen) { ++pos_; return; }
    for (;;) {
      CallArg arg;
      if (Peek().kind == Tok::kIdent && Peek(1).kind == Tok::kAssign) {
        arg.name = Peek().text;
        pos_ += 2;
      }
      arg.value = Expression();
      args->push_back(arg);
      if (Peek().kind == Tok::kComma) { ++pos_; continue; }
      if (Peek().kind == Tok::kRParen) { ++pos_; return; }
      SyntaxError("expected a , or )", Peek());
    }
  }

  AVSValue Call(const Token& name, const std::vector<CallArg>& args, bool implicit_last) {
    AVSValue result;
    CallStatus status;
    try {
      status = CallFunction(env_, name.text, args, implicit_last, &result);
    } catch (const AvisynthError& error) {
      LineError(error.msg, name.line);
    }
    if (status == CallStatus::kNoFunction) {
      LineError("Script error: There is no function named '" + name.text + "'.", name.line);
    }
    if (status == CallStatus::kBadArguments) {
      LineError("Script error: Invalid arguments to function '" + name.text + "'.", name.line);
    }
    return result;
  }

  ScriptEnvironment& env_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  const char* path_;
};

}  // namespace

AVSValue RunScript(ScriptEnvironment& env, const std::string& text, const char* path) {
  Evaluator evaluator(env, text, path);
  return evaluator.Run();
}
