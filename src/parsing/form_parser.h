// Parses one object of a form in its text form ("object Query1: TQuery",
// property lines, nested objects, "end") with the form grammar, converts its
// top-level properties for a target class, and renders the object anew with
// the target class name. Nested objects travel as text, unchanged.
//
// The captured texts are views into the text given to Parse: keep that text
// alive until GetObjectText has been called.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/grammar_engine.h"
#include "streams/form_strings.h"

namespace tolvern {

struct ComponentClass;
class TFormParser;

class TFormParseState : public TParseState {
 public:
  using TParseState::TParseState;
  // Copies every field; on the owner, drops the properties and nested texts
  // that the source state does not have, so a failed alternative leaves no
  // trace.
  void Assign(const TParseState& source) override;
  void Reset();

  int PropCount = 0;
  int TokenStart = 0;
  std::string_view ObjType;
  std::string_view PropName;
  std::string_view Keyword;
  std::string_view ObjName;
  std::string_view ChildPos;  // "[3]" behind the class, or empty
  int NestLevel = 0;
  int NestedCount = 0;
  int NestedStart = 0;
  int DecisionCount = 0;
};

struct FormProperty {
  std::string name;
  std::vector<std::string> lines;
};

// What became of one top-level property of a rewritten object: kept as it
// was, converted into other properties, or dropped for a reason.
struct PropertyDecision {
  std::string name;
  std::string value;
  std::vector<FormProperty> produced;  // empty when dropped
  std::string drop_reason;             // set when dropped
  bool Kept() const { return produced.size() == 1 && produced[0].name == name; }
};

// Why a property is dropped.
namespace drop_reason {
inline constexpr const char* kNotPublished = "not-published";
inline constexpr const char* kOutsideMappingTable = "outside-mapping-table";
inline constexpr const char* kDatabaseName = "database-name";
inline constexpr const char* kNoConnection = "no-connection";
inline constexpr const char* kEmptyValue = "empty-value";
inline constexpr const char* kNoLoginEntries = "no-login-entries";
}  // namespace drop_reason

class TFormParser : public TLL1Parser {
 public:
  explicit TFormParser(StateClass state_class = StateClassOf<TFormParseState>());

  // The class written into the new header; empty keeps the class read.
  // Forgets what SetDescendant said.
  void SetTargetClassName(std::string name);
  // The next object's class is not mapped itself but descends from the
  // mapped class as_class: its properties are converted as those of an
  // as_class object (for the target class), its header keeps its own class,
  // and the properties in own_properties, which the descendant declares
  // itself, stay as they are.
  void SetDescendant(std::string as_class, std::vector<std::string> own_properties);
  const std::string& TargetClassName() const { return target_class_name_; }

  // Called for "DatabaseName" of an object that is not a TDatabase, with the
  // property name and the database name the value gives (DatabaseNameOf);
  // answers the reference to put into "Connection", or "".
  std::function<std::string(const std::string& prop_name, const std::string& value)>
      OnGetConnection;

  // The line end of the rendered object.
  std::string LineBreak = "\r\n";
  // How the form being converted holds its characters: #nnn codes in a
  // database name are decoded as it holds them.
  FormCharset Charset = FormCharset::kAnsi;

  // The new text of the object of the last successful parse, indented for
  // nesting depth level: the header with the target class, the converted
  // properties, the nested objects and "end", each line ended by LineBreak.
  virtual void GetObjectText(int level, std::string& text);

  // Appends one output property; the value text is split into lines.
  void AddProperty(std::string_view name, std::string_view value);
  // Resets the state and forgets the properties and nested objects.
  void Clear();

  const std::vector<FormProperty>& Props() const { return props_; }
  // The decisions on the top-level properties of the last object parsed.
  const std::vector<PropertyDecision>& Decisions() const { return decisions_; }
  const std::vector<std::string_view>& Nested() const { return nested_; }
  TFormParseState& FormState() { return static_cast<TFormParseState&>(*State); }

  // The login entries ("name=value") of a TDatabase "Params.Strings" value:
  // the strings of the list.
  static std::vector<FormChars> LoginEntries(std::string_view value);
  // The value of the first entry of that name (letter case ignored), or "".
  static FormChars EntryValue(const std::vector<FormChars>& entries, std::string_view name);
  // The value without its first and last character (its quotes).
  static std::string_view Unquote(std::string_view value);
  // The database name a DatabaseName value gives: the whole string value,
  // its quoted pieces and #nnn codes decoded in Charset, as the database
  // index reads it; a value that is no string value without its first and
  // last character.
  std::string DatabaseNameOf(std::string_view value) const;

 protected:
  // Decides which output properties a top-level property becomes. When it
  // adds none, it says why with SetDropReason (else: not published).
  virtual void ConvertProperty(std::string_view name, std::string_view value);
  void SetDropReason(const char* reason) { drop_reason_ = reason; }
  // Whether the target class publishes a property (by its first part), or
  // the property is Left or Top, or the target class is not known.
  bool PublishedByTarget(std::string_view name) const;
  // The published properties of a target class, or null when it is not
  // known: the class registry's answer.
  virtual const ComponentClass* TargetClass(const std::string& name) const;
  // The class the properties are converted for: the class read from the
  // header, or the mapped ancestor of a descendant.
  std::string_view SourceClass();

  void GetCharSet(std::string_view class_name, CharSet& set, bool& single) override;
  bool ParseNonTerminal(int rule) override;
  bool MatchTerminal(int terminal) override;
  bool ObservesRule(int rule) const override;
  void BeforeParse() override;
  void AfterParse(bool& result) override;

 private:
  friend class TFormParseState;
  friend class TFormParserUtils;

  void ResolveRules();
  bool IsOwnProperty(std::string_view name) const;

  std::string target_class_name_;
  std::string as_class_;
  std::vector<std::string> own_properties_;
  std::vector<FormProperty> props_;
  std::vector<std::string_view> nested_;
  std::vector<PropertyDecision> decisions_;
  const char* drop_reason_ = nullptr;
  bool rules_resolved_ = false;
  int obj_name_ = -1, obj_type_ = -1, full_prop_name_ = -1, prop_value_ = -1, keyword_ = -1,
      nested_obj_ = -1, child_pos_ = -1, word_end_ = -1;
};

// Lets form parsers in other units keep a state's property count in step.
class TFormParserUtils {
 public:
  static void SetPropCount(TFormParseState& state, int value) { state.PropCount = value; }
};

}  // namespace tolvern
