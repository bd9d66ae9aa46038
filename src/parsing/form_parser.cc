#include "parsing/form_parser.h"

#include <algorithm>

#include "base/ascii_text.h"
#include "platform/class_registry.h"
#include "streams/form_strings.h"

namespace tolvern {

namespace {

// The form grammar, in the order the rules are added.
constexpr const char* kFormRules[] = {
    "<obj_header>-<keyword><*delim><obj_name><empty_delim>:<empty_delim><obj_type>|"
    "<keyword><*delim><obj_name><empty_delim>:<empty_delim><obj_type><empty_delim><child_pos>",
    "<obj_name>-<name>",
    "<obj_type>-<name>",
    "<object>-<obj_header><*delim><properties>end<*word_end><empty_delim>|"
    "<obj_header><*delim>end<*word_end><empty_delim>|"
    "<anon_header><*delim><properties>end<*word_end><empty_delim>|"
    "<anon_header><*delim>end<*word_end><empty_delim>",
    "<keyword>-object|inherited|inline",
    "<name>-<*char><char_or_digit_l>",
    "<char_or_digit_l>-<*chars_or_digits>|",
    "<properties>-<prop>|<nested_obj>|<prop><properties>|<nested_obj><properties>",
    "<nested_obj>-<object>",
    "<prop>-<full_prop_name><empty_delim>=<empty_delim><prop_value><*delim>",
    "<full_prop_name>-<prop_name>",
    "<prop_value>-<value>",
    "<prop_name>-<name>|<name>.<prop_name>",
    "<empty_delim>-<*delim>|",
    "<value>-<numeric_date>|<number>|<const>|<string>|<string2>|<strings>|<numbers>|<set>|"
    "<collection>|<binary>|<name>.<name>",
    "<sign>-+|-|",
    "<int>-<sign><*digits>",
    "<fixed_point>-<int>.<*digits>",
    "<float>-<fixed_point>e<int>|<int>e<int>",
    "<number>-<sign><*digits>.<*digits>e<int>|<sign><*digits>e<int>|<sign><*digits>.<*digits>|"
    "<sign><*digits>",
    "<numeric_date>-<number>d|<number>c|<number>s",
    "<symbols>-<*symbols>|",
    "<byte>-#<*digits>",
    "<bytes>-<byte>|<byte><bytes>",
    "<string>-'<symbols>'|<bytes>|<bytes><string>|'<symbols>'<string>",
    "<string2>-<string>|<empty_delim><string><empty_delim>+<empty_delim><string2>",
    "<const>-<name>",
    "<number_list>-<number>|<number><*delim><number_list>|",
    "<numbers>-(<empty_delim><number_list><empty_delim>)",
    "<string_list>-<string2>|<string2><*delim><string_list>|",
    "<strings>-(<empty_delim><string_list><empty_delim>)",
    "<set_items>-<name>|<name><empty_delim>,<empty_delim><set_items>",
    "<set>-[<empty_delim>]|[<empty_delim><set_items><empty_delim>]",
    "<item_prop>-<prop_name><empty_delim>=<empty_delim><value>",
    "<item_props>-<item_prop><*delim><item_props>|<item_prop><*delim>|<*delim>",
    "<col_item>-item<*delim><item_props>end",
    "<col_items>-<col_item><*delim><col_items>|<col_item>|",
    "<collection>-\\60<empty_delim><col_items><empty_delim>\\62",
    "<binary>-{<empty_delim><hex_list><empty_delim>}",
    "<hex_list>-<*hexs>|<*hexs><*delim><hex_list>|",
    // The position among inherited children that the IDE writes behind the
    // class of a component placed between them ("object Q: TQuery [3]").
    "<child_pos>-[<*digits>]",
    // An object without a name ("object TDateTimeField"), which the IDE
    // writes for a component whose Name is empty.
    "<anon_header>-<keyword><*delim><obj_type>|<keyword><*delim><obj_type><empty_delim><child_pos>",
};

bool IsDelim(char c) { return c == 9 || c == 10 || c == 13 || c == 32; }

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

}  // namespace

void TFormParseState::Assign(const TParseState& source) {
  TParseState::Assign(source);
  const auto& s = static_cast<const TFormParseState&>(source);
  TokenStart = s.TokenStart;
  ObjType = s.ObjType;
  ChildPos = s.ChildPos;
  PropName = s.PropName;
  Keyword = s.Keyword;
  ObjName = s.ObjName;
  PropCount = s.PropCount;
  NestLevel = s.NestLevel;
  NestedCount = s.NestedCount;
  NestedStart = s.NestedStart;
  DecisionCount = s.DecisionCount;
  auto* owner = static_cast<TFormParser*>(Owner);
  if (owner->decisions_.size() > static_cast<size_t>(DecisionCount))
    owner->decisions_.resize(static_cast<size_t>(DecisionCount));
  if (owner->props_.size() > static_cast<size_t>(PropCount))
    owner->props_.resize(static_cast<size_t>(PropCount));
  if (owner->nested_.size() > static_cast<size_t>(NestedCount))
    owner->nested_.resize(static_cast<size_t>(NestedCount));
}

void TFormParseState::Reset() {
  Keyword = ObjName = ObjType = PropName = ChildPos = {};
  TokenStart = PropCount = NestLevel = NestedCount = NestedStart = DecisionCount = 0;
}

TFormParser::TFormParser(StateClass state_class) : TLL1Parser(std::move(state_class)) {
  for (const char* rule : kFormRules) AddRule(rule);
}

void TFormParser::ResolveRules() {
  if (rules_resolved_) return;
  obj_name_ = RuleIndex("<obj_name>");
  obj_type_ = RuleIndex("<obj_type>");
  full_prop_name_ = RuleIndex("<full_prop_name>");
  prop_value_ = RuleIndex("<prop_value>");
  keyword_ = RuleIndex("<keyword>");
  nested_obj_ = RuleIndex("<nested_obj>");
  child_pos_ = RuleIndex("<child_pos>");
  word_end_ = TerminalIndexOf("<*word_end>");
  rules_resolved_ = true;
}

bool TFormParser::ObservesRule(int rule) const {
  const std::string& name = RuleName(rule);
  return name == "<obj_name>" || name == "<obj_type>" || name == "<full_prop_name>" ||
         name == "<prop_value>" || name == "<keyword>" || name == "<nested_obj>" ||
         name == "<child_pos>";
}

void TFormParser::GetCharSet(std::string_view class_name, CharSet& set, bool& single) {
  if (class_name == "<*word_end>") {
    set.fill(false);
    single = true;
    return;
  }
  if (class_name != "<*delim>") {
    TLL1Parser::GetCharSet(class_name, set, single);
    // Names take letters of any script: every byte of a UTF-8 letter, and
    // every letter of an 8-bit code page, is at least 128.
    if (class_name == "<*char>" || class_name == "<*chars_or_digits>")
      for (size_t c = 128; c < 256; ++c) set[c] = true;
    return;
  }
  set.fill(false);
  for (char c : {'\t', '\n', '\r', ' '}) set[static_cast<unsigned char>(c)] = true;
  single = false;
}

// "<*word_end>" takes no character: it holds where no letter or digit
// follows, so that the "end" of an object is never the start of a property
// name such as "EndDate" (an object would otherwise end in its first line).
bool TFormParser::MatchTerminal(int terminal) {
  if (terminal != word_end_) return TLL1Parser::MatchTerminal(terminal);
  const size_t p = static_cast<size_t>(State->Pos);
  if (p < 1 || p > Text.size()) return true;
  const unsigned char c = static_cast<unsigned char>(Text[p - 1]);
  return !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           c >= 128);
}

void TFormParser::BeforeParse() {
  ResolveRules();
  Clear();
}

void TFormParser::AfterParse(bool& result) {
  if (!result) Clear();
}

void TFormParser::Clear() {
  FormState().Reset();
  props_.clear();
  nested_.clear();
  decisions_.clear();
}

bool TFormParser::ParseNonTerminal(int rule) {
  TFormParseState& s = FormState();
  const bool captured = rule == obj_name_ || rule == obj_type_ || rule == full_prop_name_ ||
                        rule == prop_value_ || rule == keyword_ || rule == child_pos_;
  if (captured) {
    s.TokenStart = s.Pos;
  } else if (rule == nested_obj_) {
    if (++s.NestLevel == 1) {
      s.NestedStart = s.Pos;
      while (s.NestedStart > 1 && Text[static_cast<size_t>(s.NestedStart - 2)] == ' ')
        --s.NestedStart;
    }
  }
  const bool result = TLL1Parser::ParseNonTerminal(rule);
  TFormParseState& after = FormState();
  if (result && captured) {
    if (after.TokenStart == 0) throw EAssertionFailed("Assertion failure (FormParser, line 319)");
    std::string_view token = Text.substr(static_cast<size_t>(after.TokenStart - 1),
                                         static_cast<size_t>(after.Pos - after.TokenStart));
    if (rule == obj_name_ && after.NestLevel == 0) {
      after.ObjName = token;
    } else if (rule == obj_type_ && after.NestLevel == 0) {
      after.ObjType = token;
    } else if (rule == keyword_ && after.NestLevel == 0) {
      after.Keyword = token;
    } else if (rule == child_pos_ && after.NestLevel == 0) {
      after.ChildPos = token;
    } else if (rule == full_prop_name_) {
      after.PropName = token;
    } else if (rule == prop_value_ && !after.PropName.empty()) {
      if (after.NestLevel == 0) {
        const size_t before = props_.size();
        drop_reason_ = nullptr;
        if (IsOwnProperty(after.PropName))
          AddProperty(after.PropName, token);
        else
          ConvertProperty(after.PropName, token);
        PropertyDecision d{std::string(after.PropName),
                           std::string(token),
                           {props_.begin() + static_cast<long>(before), props_.end()},
                           ""};
        if (d.produced.empty())
          d.drop_reason = drop_reason_ ? drop_reason_ : drop_reason::kNotPublished;
        decisions_.push_back(std::move(d));
        ++FormState().DecisionCount;
      }
      FormState().PropName = {};
    }
    FormState().TokenStart = 0;
  }
  if (rule == nested_obj_) {
    TFormParseState& n = FormState();
    --n.NestLevel;
    if (result && n.NestLevel == 0) {
      int end = n.Pos;
      while (end > n.NestedStart && IsDelim(Text[static_cast<size_t>(end - 2)])) --end;
      std::string_view nested = Text.substr(static_cast<size_t>(n.NestedStart - 1),
                                            static_cast<size_t>(end - n.NestedStart));
      bool duplicate = false;
      for (std::string_view t : nested_) duplicate = duplicate || SameText(t, nested);
      if (!duplicate) nested_.push_back(nested);
      n.NestedStart = 0;
      // The count is the list's length, so that a roll-back past this point
      // removes what was added after it even when a duplicate was skipped.
      n.NestedCount = static_cast<int>(nested_.size());
    }
  }
  return result;
}

void TFormParser::AddProperty(std::string_view name, std::string_view value) {
  props_.push_back({std::string(name), SplitLines(value)});
  TFormParserUtils::SetPropCount(FormState(), FormState().PropCount + 1);
}

std::string_view TFormParser::Unquote(std::string_view value) {
  return value.size() < 2 ? std::string_view() : value.substr(1, value.size() - 2);
}

std::string TFormParser::DatabaseNameOf(std::string_view value) const {
  if (std::optional<std::string> name = DecodeFormString(value, Charset)) return *name;
  return std::string(Unquote(value));
}

std::vector<FormChars> TFormParser::LoginEntries(std::string_view value) {
  // The entries are the list's strings, read as the form reader reads them;
  // cutting each line's first and last character would mangle a long entry
  // wrapped across lines, or one with a character code. Each character keeps
  // the way it was written, so that the value written back means the same
  // characters in the form's own encoding.
  if (auto items = DecodeFormCharsList(value)) return *items;
  std::vector<FormChars> entries;
  for (const std::string& line : SplitLines(Unquote(value)))
    entries.push_back(ToFormChars(Unquote(Trim(line))));
  return entries;
}

FormChars TFormParser::EntryValue(const std::vector<FormChars>& entries, std::string_view name) {
  for (const FormChars& e : entries) {
    // The name is the part before the first "=" written as a quoted
    // character.
    size_t eq = 0;
    while (eq < e.size() && !(e[eq].value == '=' && !e[eq].code)) ++eq;
    if (eq == e.size() || eq != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < eq && same; ++k)
      same = !e[k].code && e[k].value < 128 &&
             AsciiUpper(static_cast<char>(e[k].value)) == AsciiUpper(name[k]);
    if (same) return FormChars(e.begin() + static_cast<long>(eq) + 1, e.end());
  }
  return {};
}

void TFormParser::SetTargetClassName(std::string name) {
  target_class_name_ = std::move(name);
  as_class_.clear();
  own_properties_.clear();
}

void TFormParser::SetDescendant(std::string as_class, std::vector<std::string> own_properties) {
  as_class_ = std::move(as_class);
  own_properties_ = std::move(own_properties);
}

std::string_view TFormParser::SourceClass() {
  return as_class_.empty() ? FormState().ObjType : std::string_view(as_class_);
}

bool TFormParser::IsOwnProperty(std::string_view name) const {
  const std::string_view root = name.substr(0, name.find('.'));
  for (const std::string& p : own_properties_)
    if (SameText(p, root)) return true;
  return false;
}

const ComponentClass* TFormParser::TargetClass(const std::string& name) const {
  return GetClass(name);
}

bool TFormParser::PublishedByTarget(std::string_view name) const {
  const ComponentClass* cls = TargetClass(target_class_name_);
  if (!cls) return true;
  if (name == "Left" || name == "Top") return true;
  return cls->HasProperty(std::string(name.substr(0, name.find('.'))));
}

void TFormParser::ConvertProperty(std::string_view name, std::string_view value) {
  const std::string_view type = SourceClass();
  if (name == "DatabaseName") {
    SetDropReason(type == "TDatabase" ? drop_reason::kDatabaseName : drop_reason::kNoConnection);
    if (type == "TDatabase" || !OnGetConnection) return;
    std::string connection = OnGetConnection("DatabaseName", DatabaseNameOf(value));
    if (!connection.empty()) AddProperty("Connection", connection);
    return;
  }
  if (name == "Params.Strings" && type == "TDatabase") {
    SetDropReason(drop_reason::kNoLoginEntries);
    const std::vector<FormChars> entries = LoginEntries(value);
    static constexpr std::pair<const char*, const char*> kLogin[] = {
        {"USER NAME", "Username"}, {"PASSWORD", "Password"}, {"SERVER NAME", "Server"}};
    for (const auto& [entry, prop] : kLogin) {
      FormChars v = EntryValue(entries, entry);
      if (!v.empty()) AddProperty(prop, EncodeFormChars(v));
    }
    return;
  }
  if (name == "DataSource" && type == "TQuery") {
    SetDropReason(drop_reason::kEmptyValue);
    if (!value.empty()) AddProperty("MasterSource", value);
    return;
  }
  if (name == "ParamData" && (type == "TQuery" || type == "TStoredProc")) {
    SetDropReason(drop_reason::kEmptyValue);
    if (!value.empty()) AddProperty("ParamData", value);
    return;
  }
  if (PublishedByTarget(name)) AddProperty(name, value);
}

void TFormParser::GetObjectText(int level, std::string& text) {
  text.clear();
  const TFormParseState& s = FormState();
  if (s.Keyword.empty() || s.ObjName.empty()) return;
  level = std::max(level, 0);
  const std::string indent(static_cast<size_t>(2 * level), ' ');
  const std::string inner(static_cast<size_t>(2 * level + 2), ' ');
  text += indent;
  text += s.Keyword;
  text += ' ';
  text += s.ObjName;
  text += ": ";
  text += target_class_name_.empty() || !as_class_.empty() ? std::string(s.ObjType)
                                                           : target_class_name_;
  if (!s.ChildPos.empty()) {
    text += ' ';
    text += s.ChildPos;
  }
  text += LineBreak;
  for (const FormProperty& p : props_) {
    text += inner + p.name + " = ";
    for (size_t i = 0; i < p.lines.size(); ++i) {
      if (i > 0) text += LineBreak + inner + "  ";
      text += p.lines[i];
    }
    text += LineBreak;
  }
  for (std::string_view n : nested_) {
    text += n;
    text += LineBreak;
  }
  text += indent + "end" + LineBreak;
}

}  // namespace tolvern
