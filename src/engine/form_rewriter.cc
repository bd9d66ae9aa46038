// Rewriting of form files: every object of a mapped class is parsed, its
// properties converted for the target class, and rendered anew in its place;
// everything else keeps its bytes. Binary forms go through form text; only
// the objects rewritten are encoded back to binary, in place of their
// original bytes. Text forms keep their encoding.
#include <algorithm>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "engine/todo_list.h"
#include "files/file_utils.h"
#include "files/line_cursor.h"
#include "parsing/pascal_scanner.h"
#include "platform/disk.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"

namespace tolvern {

namespace {

// Points a form parser's database references at the form it converts, for
// the life of this object: a data set on the form of its database refers to
// it bare, one on another form through that form's name.
class ConvertingForm {
 public:
  ConvertingForm(TFormParser& parser, TComponentReplacer& replacer, const std::string& path)
      : parser_(parser), previous_(std::move(parser.OnGetConnection)) {
    parser.OnGetConnection = [&replacer, &path](const std::string& prop, const std::string& value) {
      return replacer.GetDatabaseConnection(prop, value, path);
    };
  }
  ~ConvertingForm() { parser_.OnGetConnection = std::move(previous_); }
  ConvertingForm(const ConvertingForm&) = delete;
  ConvertingForm& operator=(const ConvertingForm&) = delete;

 private:
  TFormParser& parser_;
  decltype(TFormParser::OnGetConnection) previous_;
};

// How a form holds the characters of its strings: as the bytes of its code
// page, or (a form in UTF-8 or UTF-16, read as UTF-8) as UTF-8.
FormCharset CharsetOf(const FormFileData& form) {
  return form.Encoding == TextEncoding::kAnsi ? FormCharset::kAnsi : FormCharset::kUtf8;
}

// What the token walk knows of the object whose header is being read.
struct TFormObject {
  std::string ObjectName;
  std::string ObjectClass;
  bool ExpectName = false;
  bool ExpectClass = false;
};

// The line end a form text uses: LF when every line ends so, else CR LF.
std::string LineBreakOf(std::string_view text) {
  size_t lf = 0, crlf = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') continue;
    if (i > 0 && text[i - 1] == '\r')
      ++crlf;
    else
      ++lf;
  }
  return lf > 0 && crlf == 0 ? "\n" : "\r\n";
}

// The edit that gives an object of a binary form another class name.
TextEdit ClassNameEdit(const FormFileData& form, const ObjectSpan& o, const std::string& name) {
  TRCData header;
  const std::string_view stream = ReadFormResource(form.Original, &header);
  const size_t old_size = static_cast<unsigned char>(stream[o.class_begin]);
  if (name.size() > 255) throw EParserError("class name longer than 255 characters: " + name);
  return {o.class_begin, 1 + old_size, static_cast<char>(name.size()) + name};
}

// A binary form file with each rewritten object encoded anew in place of its
// original bytes, every other byte copied. False when an object is not among
// the form's spans (a form not read from a file), for the caller to rebuild
// the whole stream from the text instead. A result the platform's reader would
// reject is never returned: that throws, naming the file.
bool SpliceRewritten(const FormFileData& form, const std::vector<RewrittenObject>& rewritten,
                     const std::string& source_path, std::string* file) {
  if (form.Original.empty()) return false;
  TextEdits edits;
  try {
    for (const RewrittenObject& r : rewritten) {
      // The object whose header line holds the keyword: the last one that
      // starts at or before it.
      auto after =
          std::upper_bound(form.Objects.begin(), form.Objects.end(), r.text_pos,
                           [](size_t pos, const ObjectSpan& o) { return pos < o.text_begin; });
      if (after == form.Objects.begin()) return false;
      const ObjectSpan& o = *(after - 1);
      if (o.text_begin + 2 * static_cast<size_t>(o.level) != r.text_pos) return false;
      TextEdit e = r.class_only ? ClassNameEdit(form, o, r.text)
                                : TextEdit{o.stream_begin, o.stream_end - o.stream_begin,
                                           ObjectTextToBinaryObject(r.text)};
      if (!edits.Add(e.offset, e.length, std::move(e.text)))
        throw EStreamError("Invalid object stream edit at offset " + std::to_string(e.offset));
    }
    *file = SpliceFormResource(form.Original, edits);
    TRCData header;
    ObjectBinaryToText(ReadFormResource(*file, &header));
  } catch (const Exception& e) {
    throw EParserError(res::Format(res::kFormNotValid, {source_path, e.what()}));
  }
  return true;
}

}  // namespace

bool TComponentReplacer::ReadFormFile(const std::string& file_name, const std::string& bytes,
                                      FormFileData* form, std::string* why) {
  form->IsBinary = IsBinaryForm(bytes);
  if (!form->IsBinary) {
    form->Encoding = DetectEncoding(bytes);
    return DecodeText(bytes, form->Encoding, &form->Text, why);
  }
  form->Encoding = TextEncoding::kAnsi;
  form->Objects.clear();
  try {
    form->Text = ObjectBinaryToText(ReadFormResource(bytes, &form->Header), &form->Objects);
  } catch (const EStreamError& e) {
    throw ErrorInFile<EStreamError>(file_name, e.what());
  }
  form->Original = bytes;
  return true;
}

// One pass over a form text: the scanner's place, the text rewritten so far
// and what the pass has learnt of the file.
struct FormPass {
  FormPass(std::string_view form_text, const std::string& source_path, const TodoClasses& classes,
           FileReport report_of_file)
      : text(form_text),
        scanner(form_text),
        report(std::move(report_of_file)),
        todo(form_text, source_path, classes),
        lines(form_text) {
    out.reserve(text.size() + text.size() / 8);
  }
  std::string_view text;
  TPasParser scanner;
  std::string out;
  int changes = 0;
  size_t base = 0;  // offset of the scanner's text in the form text
  size_t object_pos = 0, buf_pos = 0;
  int depth = -1;
  TFormObject obj;
  std::vector<RewrittenObject> rewritten;  // where a binary form takes new bytes
  FileReport report;
  TFormTodo todo;
  LineCursor lines;
};

void TComponentReplacer::ReplaceInForm(const FormFileData& form, const std::string& source_path,
                                       const std::string& dest_path) {
  FileRewrite out;
  FileRewriting w{RunDisk(), *ObjectParser, out};
  ReplaceInForm(w, form, source_path, dest_path);
  TakeRewrite(out, RunDisk());
}

void TComponentReplacer::ReplaceInForm(FileRewriting& w, const FormFileData& form,
                                       const std::string& source_path,
                                       const std::string& dest_path) {
  if (Todo.family.empty()) Todo = TodoClasses::Of(*this);
  FormPass p(form.Text, source_path, Todo,
             FileReport::Unchanged(source_path,
                                   form.IsBinary ? FileKind::kBinaryForm : FileKind::kTextForm,
                                   EncodingName(form.Encoding)));
  w.parser.LineBreak = LineBreakOf(p.text);
  w.parser.Charset = CharsetOf(form);
  ConvertingForm converting(w.parser, *this, source_path);
  std::string_view token;
  for (int code; (code = p.scanner.GetNext(&token)) != kTokEnd;) {
    // Inherited and inline objects are converted too: the run renames their
    // class in the units, so left alone they would no longer load.
    if (code == kTokObject || code == kTokInherited || code == kTokInline) {
      p.obj.ExpectName = true;
      p.object_pos = p.base + static_cast<size_t>(p.scanner.PrevPos());
      p.buf_pos = p.out.size();
      ++p.depth;
    } else if (code == kTokItem) {
      ++p.depth;
    } else if (code == kTokEndKw) {
      --p.depth;
    } else if (code == kTokIdent && p.obj.ExpectName) {
      p.obj.ObjectName = token;
      p.obj.ExpectName = false;
      p.obj.ExpectClass = true;
    } else if (code == kTokIdent && p.obj.ExpectClass) {
      p.obj.ObjectClass = token;
      p.obj.ExpectClass = false;
      std::string ancestor;
      const int found = FindFormClass(token, &ancestor);
      if (found >= 0) {
        ConvertFormObject(w, p, token, found, ancestor, source_path);
        continue;
      }
    }
    p.out += token;
  }
  w.out.log.push_back(ChangesLine(p.changes));
  p.report.changes = p.changes;
  for (const UnparsedObject& u : p.report.unparsed)
    p.todo.NotConverted(u.line, u.name, u.cls, u.reason);
  p.report.todo = p.todo.Finish();
  FileReports& files = w.out.reports;
  files.push_back(std::move(p.report));
  if (p.changes == 0) return;
  WriteFormFile(w, form, p.out, p.rewritten, source_path, dest_path);
  files.back().outcome = FileOutcome::kChanged;
  w.out.changed = 1;
}

int TComponentReplacer::FindFormClass(std::string_view cls, std::string* ancestor) {
  const int found = FindOldName(cls);
  if (found >= 0 || Descendants.Empty()) return found;
  *ancestor =
      Descendants.MappedAncestor(cls, [this](const std::string& c) { return FindOldName(c) >= 0; });
  return ancestor->empty() ? -1 : FindOldName(*ancestor);
}

void TComponentReplacer::ConvertFormObject(FileRewriting& w, FormPass& p, std::string_view token,
                                           int found, const std::string& ancestor,
                                           const std::string& source_path) {
  TFormParser& parser = w.parser;
  const TFormObject& obj = p.obj;
  const std::string target = NewNames[OldNames.Object(found)];
  parser.SetTargetClassName(target);
  if (!ancestor.empty()) parser.SetDescendant(ancestor, Descendants.OwnProperties(token, ancestor));
  // A descendant keeps its own class, converted or not.
  std::string replaced = ancestor.empty() ? target : std::string(token);
  int pos = static_cast<int>(p.object_pos) + 1;
  const int line = p.lines.LineOf(p.object_pos);
  if (!parser.Parse(p.text, "<object>", pos)) {
    NoteUnparsedObject(w, p, line, ancestor, source_path);
    p.rewritten.push_back({p.object_pos, replaced, true});
    p.out += replaced;
    return;
  }
  ++p.changes;
  ++p.report.objects_rewritten;
  p.todo.Converted(p.object_pos, obj.ObjectName, ancestor.empty() ? obj.ObjectClass : ancestor,
                   parser.Decisions());
  for (const PropertyDecision& d : parser.Decisions())
    if (d.produced.empty()) ++p.report.properties_dropped;
  if (Report.details)
    p.report.objects.push_back({obj.ObjectName, obj.ObjectClass,
                                ancestor.empty() ? target : obj.ObjectClass, line,
                                parser.Decisions(), ancestor});
  parser.GetObjectText(std::max(p.depth, 0), replaced);
  p.rewritten.push_back({p.object_pos, replaced});
  p.out.resize(p.buf_pos);
  p.base = static_cast<size_t>(pos - 1);
  p.scanner.SetText(p.text.substr(p.base));
  --p.depth;
  p.out += replaced;
}

void TComponentReplacer::NoteUnparsedObject(FileRewriting& w, FormPass& p, int line,
                                            const std::string& ancestor,
                                            const std::string& source_path) {
  const TFormObject& obj = p.obj;
  const size_t stop = static_cast<size_t>(std::max(w.parser.FurthestPos(), 1) - 1);
  const std::string reason =
      res::Format(res::kOutsideFormGrammar, {std::to_string(p.lines.LineOf(stop))});
  const std::string where = source_path + "(" + std::to_string(line) + ")";
  w.out.log.push_back(
      ancestor.empty()
          ? res::Format(res::kObjectNotParsed, {where, obj.ObjectName, obj.ObjectClass, reason})
          : res::Format(res::kDescendantNotParsed,
                        {where, obj.ObjectName, obj.ObjectClass, ancestor, reason}));
  p.report.unparsed.push_back({obj.ObjectName, obj.ObjectClass, line, reason, ancestor});
}

void TComponentReplacer::WriteFormFile(FileRewriting& w, const FormFileData& form,
                                       const std::string& text,
                                       const std::vector<RewrittenObject>& rewritten,
                                       const std::string& source_path,
                                       const std::string& dest_path) {
  const FormCharset charset = CharsetOf(form);
  std::string file;
  w.out.output_path = dest_path;
  if (form.IsBinary && SpliceRewritten(form, rewritten, source_path, &file)) {
    w.out.output = std::move(file);
    return;
  }
  std::string stream;
  try {
    stream = ObjectTextToBinary(text, charset);
  } catch (const EParserError& e) {
    // A rewrite that the IDE could not load is never written: the original
    // stays as it is and the run stops. A text form that was no valid form
    // text before is written all the same.
    bool was_valid = form.IsBinary;
    if (!was_valid) {
      try {
        ObjectTextToBinary(form.Text, charset);
        was_valid = true;
      } catch (const EParserError&) {
      }
    }
    if (was_valid) throw EParserError(res::Format(res::kFormNotValid, {source_path, e.what()}));
  }
  if (form.IsBinary)
    w.out.output = WriteFormResource(form.Header.Name, stream);
  else
    w.out.output = EncodeText(text, form.Encoding);
}

DatabasesOfForm TComponentReplacer::FormDatabases(Disk& disk, const std::string& form_path,
                                                  std::string* unread) const {
  FormFileData form;
  std::string why;
  // A form that cannot be converted declares nothing here: the rewriting
  // names it when it gets there. One that cannot be opened now is named at
  // once (in *unread), since the data sets bound to its databases would be
  // migrated without them, also if the form could be read later.
  try {
    if (!ReadFormFile(form_path, ReadWholeFile(disk, form_path), &form, &why)) return {};
  } catch (const EFOpenError& e) {
    if (unread) *unread = e.what();
    return {};
  } catch (const EStreamError&) {
    return {};
  }
  return FindDatabasesOfForm(
      form.Text, [this](const std::string& cls) { return IsDatabaseClass(cls); },
      [this](const std::string& cls) { return IsDataSetClass(cls); }, CharsetOf(form));
}

// A class converted by the profile, or a descendant of one, other than a
// database: its objects' DatabaseName names the database they use.
bool TComponentReplacer::IsDataSetClass(const std::string& cls) const {
  if (IsDatabaseClass(cls)) return false;
  if (FindOldName(cls) >= 0) return true;
  return !Descendants.Empty() &&
         !Descendants
              .MappedAncestor(cls, [this](const std::string& c) { return FindOldName(c) >= 0; })
              .empty();
}

// The family's database class (TDatabase), or a class of the project
// descending from it, whose objects are converted as databases are.
bool TComponentReplacer::IsDatabaseClass(const std::string& cls) const {
  const std::string& database = SourceFamilyOf()->database_class;
  if (cls == database) return true;
  return !Descendants.Empty() && Descendants.MappedAncestor(cls, [this](const std::string& c) {
    return FindOldName(c) >= 0;
  }) == database;
}

std::string TComponentReplacer::GetDatabaseConnection(const std::string& prop_name,
                                                      const std::string& value,
                                                      const std::string& form_path) {
  if (prop_name != "DatabaseName") throw EAssertionFailed("Assertion failure (Replacer, line 755)");
  return Databases.Reference(value, form_path);
}

}  // namespace tolvern
