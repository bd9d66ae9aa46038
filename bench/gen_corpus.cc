// Writes a deterministic, realistic Pascal code base of a chosen size for the
// benchmarks: units with uses clauses, classes, code and comments naming the
// BDE and ADO classes, strings that must not change, a project file, and text
// and binary forms holding data-access objects (queries with long SQL lists,
// tables with field children, databases with login parameters), in ANSI,
// UTF-8 and UTF-16.
//
//   gen_corpus [--flat] [--units] OUT_DIR COUNT [SEED]
//
// COUNT is the number of lines, or with --units the number of units. The
// units are spread over folders of 50 (mod0, mod1...), or with --flat all
// stand in OUT_DIR itself, as in the large single-folder applications.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"

namespace {

using tolvern::TextEncoding;

std::mt19937_64 rng;

int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
template <typename T, size_t N>
const T& Any(const T (&a)[N]) {
  return a[Pick(static_cast<int>(N))];
}

const char* kBde[] = {"TQuery", "TTable", "TStoredProc", "TDatabase", "TUpdateSQL", "TwwQuery"};
const char* kAdo[] = {"TADOQuery", "TADOTable", "TADOConnection", "TADOStoredProc", "TADODataSet"};
const char* kOther[] = {"TButton", "TLabel", "TEdit", "TDataSource", "TStringList", "TPanel"};
const char* kWords[] = {"order", "customer", "invoice", "stock", "payment", "ledger", "supplier"};
const char* kTables[] = {"ORDERS", "CUSTOMERS", "INVOICES", "STOCK", "PAYMENTS", "LEDGER"};

struct Counter {
  long lines = 0;
};

void Write(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

long CountLines(const std::string& s) {
  long n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

std::string Unit(const std::string& name, bool ado, bool has_form, int body_lines) {
  const char* const* classes = ado ? kAdo : kBde;
  const int nclasses = ado ? 5 : 6;
  std::string s = "unit " + name + ";\r\n\r\n{ " + name + ": " + Any(kWords) +
                  " handling. Uses a " + classes[Pick(nclasses)] + " for the " + Any(kWords) +
                  " data. }\r\n\r\ninterface\r\n\r\nuses\r\n  Windows, SysUtils, Classes, DB, " +
                  (ado ? "ADODB" : "DBTables") + ", Forms;\r\n\r\ntype\r\n  T" + name +
                  " = class(TForm)\r\n";
  for (int i = 0; i < 4 + Pick(6); ++i)
    s += "    F" + std::to_string(i) + ": " + (Pick(3) ? classes[Pick(nclasses)] : Any(kOther)) +
         ";\r\n";
  s += "    procedure Load" + std::string(Any(kWords)) +
       "(Sender: TObject);\r\n  end;\r\n\r\n"
       "implementation\r\n\r\n";
  if (has_form) s += "{$R *.DFM}\r\n\r\n";
  s += "uses Math;\r\n\r\n";
  int written = 0;
  int proc = 0;
  while (written < body_lines) {
    s += "procedure T" + name + ".Proc" + std::to_string(proc++) +
         "(Sender: TObject);\r\nvar\r\n"
         "  Q: " +
         classes[Pick(nclasses)] + ";\r\n  I: Integer;\r\nbegin\r\n";
    written += 5;
    for (int k = 0; k < 8 + Pick(20); ++k, ++written) {
      switch (Pick(7)) {
        case 0:
          s += "  Q := " + std::string(classes[Pick(nclasses)]) + ".Create(nil); // a fresh " +
               classes[Pick(nclasses)] + "\r\n";
          break;
        case 1:
          s += "  ShowMessage('The " + std::string(classes[Pick(nclasses)]) +
               " is not ready: ' + IntToStr(I));\r\n";
          break;
        case 2:
          s += "  for I := 0 to Q.FieldCount - 1 do Inc(Total" + std::to_string(k) + ");\r\n";
          break;
        case 3:
          s += "  { (* keep the " + std::string(Any(kWords)) + " in step *) }\r\n";
          break;
        case 4:
          s += "  if Q.Active then Q.Close else Q.Open;\r\n";
          break;
        case 5:
          s += "  Q.SQL.Text := 'select * from " + std::string(Any(kTables)) +
               " where ID = :ID';\r\n";
          break;
        default:
          s += "  I := I * 2 + " + std::to_string(Pick(1000)) + ";\r\n";
          break;
      }
    }
    s += "end;\r\n\r\n";
    written += 2;
  }
  s += "end.\r\n";
  return s;
}

std::string FormText(const std::string& name, bool ado, int objects) {
  std::string s = "object " + name + ": T" + name +
                  "\r\n  Left = 200\r\n  Top = 120\r\n  Caption = '" + name + " " + Any(kWords) +
                  "'\r\n";
  for (int o = 0; o < objects; ++o) {
    std::string n = std::to_string(o);
    switch (Pick(ado ? 2 : 4)) {
      case 0: {
        s += std::string("  object Query") + n + ": " + (ado ? "TADOQuery" : "TQuery") + "\r\n";
        if (!ado) s += "    DatabaseName = 'MAIN'\r\n    RequestLive = True\r\n";
        s += "    SQL.Strings = (";
        for (int l = 0; l < 5 + Pick(40); ++l)
          s += "\r\n      'select A" + std::to_string(l) + ", B, C from " + Any(kTables) +
               " where X = :P" + std::to_string(l) + "'";
        s += ")\r\n    Left = " + std::to_string(Pick(500)) +
             "\r\n    Top = " + std::to_string(Pick(400)) + "\r\n  end\r\n";
        break;
      }
      case 1: {
        s += std::string("  object Table") + n + ": " + (ado ? "TADOTable" : "TTable") + "\r\n";
        s += "    TableName = '" + std::string(Any(kTables)) +
             "'\r\n    Left = 8\r\n    Top = 8\r\n";
        for (int f = 0; f < 3 + Pick(12); ++f)
          s += "    object Table" + n + "Field" + std::to_string(f) +
               ": TStringField\r\n      FieldName = 'F" + std::to_string(f) +
               "'\r\n      Size = 40\r\n    end\r\n";
        s += "  end\r\n";
        break;
      }
      case 2:
        s += "  object Database" + n +
             ": TDatabase\r\n    AliasName = 'ALIAS'\r\n    DatabaseName = 'MAIN'\r\n"
             "    LoginPrompt = False\r\n    Params.Strings = (\r\n      'USER NAME=clerk'\r\n     "
             " 'PASSWORD=secret')\r\n"
             "    TransIsolation = tiReadCommitted\r\n    Left = 16\r\n    Top = 16\r\n  end\r\n";
        break;
      default:
        s += "  object Button" + n +
             ": TButton\r\n    Left = 8\r\n    Top = 8\r\n    Caption = 'Go'\r\n  end\r\n";
        break;
    }
  }
  s += "end\r\n";
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  bool flat = false, by_units = false;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--flat")
      flat = true;
    else if (a == "--units")
      by_units = true;
    else
      args.push_back(a);
  }
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: gen_corpus [--flat] [--units] OUT_DIR COUNT [SEED]\n");
    return 2;
  }
  const std::filesystem::path out = args[0];
  const long target = std::atol(args[1].c_str());
  rng.seed(args.size() > 2 ? std::strtoull(args[2].c_str(), nullptr, 10) : 2026);
  std::filesystem::create_directories(out);
  Counter c;
  std::string dpr = "program Big;\r\n\r\nuses\r\n  Forms";
  long bytes = 0;
  for (int u = 0; by_units ? u < target : c.lines < target; ++u) {
    const std::string folder = flat ? "" : "mod" + std::to_string(u / 50);
    std::filesystem::create_directories(out / folder);
    const std::string name = "U" + std::to_string(u);
    const bool ado = Pick(4) == 0;
    const bool has_form = u % 3 == 0;
    std::string unit = Unit(name, ado, has_form, 200 + Pick(300));
    c.lines += CountLines(unit);
    TextEncoding enc = Pick(20) == 0  ? TextEncoding::kUtf16LE
                       : Pick(7) == 0 ? TextEncoding::kUtf8
                                      : TextEncoding::kAnsi;
    std::string unit_bytes = tolvern::EncodeText(unit, enc);
    bytes += static_cast<long>(unit_bytes.size());
    Write(out / folder / (name + ".pas"), unit_bytes);
    dpr += ",\r\n  " + name + " in '" + (flat ? "" : folder + "\\") + name + ".pas'";
    if (!has_form) continue;
    std::string form = FormText(name, ado, 2 + Pick(10));
    c.lines += CountLines(form);
    std::string form_bytes;
    if (u % 2 == 0) {
      std::string stream = tolvern::ObjectTextToBinary(form);
      form_bytes = tolvern::WriteFormResource(tolvern::ResourceNameOf(stream), stream);
    } else {
      form_bytes =
          tolvern::EncodeText(form, Pick(10) == 0 ? TextEncoding::kUtf16LE : TextEncoding::kAnsi);
    }
    bytes += static_cast<long>(form_bytes.size());
    Write(out / folder / (name + ".dfm"), form_bytes);
  }
  dpr +=
      ";\r\n\r\n{$R *.RES}\r\n\r\nbegin\r\n  Application.Initialize;\r\n  "
      "Application.Run;\r\nend.\r\n";
  Write(out / "Big.dpr", dpr);
  std::printf("%ld lines, %ld bytes\n", c.lines + CountLines(dpr),
              bytes + static_cast<long>(dpr.size()));
  return 0;
}
