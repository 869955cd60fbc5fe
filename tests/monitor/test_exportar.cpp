// "Guardar selección": every format read back by a real reader of that format, and the
// extension rule. The table holds what breaks writers: markup and RTF control
// characters, commas and quotes, a line break, text beyond ASCII and a long message.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <filesystem>
#include <string>

#include "monitor/exportar.h"
#include "support/temp.h"

using monitor::Formato;
using monitor::Tabla;
namespace fs = std::filesystem;

namespace {

const Tabla kTabla{
    {"Tipo doc", "Número", "Mensaje de error"},
    {{"ENTR", "000101", "violation of FOREIGN KEY <FK_ENTR> & \"x\" 'y'"},
     {"TRAS", "000008", "{\\rtf1 no} \\par C:\\datos\\velmora.fdb"},
     {"FACO", "000300", "coma, y \"comillas\"\nsegunda línea"},
     {"Peñalara", "€ 1", std::string(2048, 'x')}},
};

using testing_support::salida_de;

bool hay_python(const char* modulo) {
  return fs::exists("/usr/bin/python3") &&
         salida_de(std::string("/usr/bin/python3 -c 'import ") + modulo + "' 2>/dev/null");
}

// Cells as a Python reader printed them, as JSON rows of strings.
std::vector<std::vector<std::string>> celdas(const std::string& json) {
  std::vector<std::vector<std::string>> out;
  for (const auto& fila : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array()) {
    out.emplace_back();
    for (const auto& c : fila.toArray()) out.back().push_back(c.toString().toStdString());
  }
  return out;
}

std::vector<std::vector<std::string>> esperado(bool saltos_como_blancos = false) {
  std::vector<std::vector<std::string>> out{kTabla.titulos};
  for (auto fila : kTabla.filas) {
    if (saltos_como_blancos)
      for (auto& c : fila) std::replace(c.begin(), c.end(), '\n', ' ');
    out.push_back(fila);
  }
  return out;
}

class Exportar : public ::testing::Test {
 protected:
  testing_support::TempDir dir;
  std::string archivo(Formato f) {
    fs::path p = dir / monitor::con_extension("seleccion", f);
    monitor::guardar(p, kTabla, f);
    return p.string();
  }
  std::optional<std::string> python(const std::string& programa, const std::string& ruta) {
    return salida_de("/usr/bin/python3 -c '" + programa + "' '" + ruta + "'");
  }
};

}  // namespace

TEST(Extension, TheLastThreeCharactersDecideInAnyCase) {
  EXPECT_EQ(monitor::con_extension("errores.TXT", Formato::Texto), "errores.TXT");
  EXPECT_EQ(monitor::con_extension("errores", Formato::Texto), "errores.txt");
  EXPECT_EQ(monitor::con_extension("Erroresreplica", Formato::Excel), "Erroresreplica.xls");
  EXPECT_EQ(monitor::con_extension("listahtm", Formato::Html), "listahtm");
  EXPECT_EQ(monitor::con_extension("a.csv", Formato::Rtf), "a.csv.rtf");
  EXPECT_EQ(monitor::con_extension("cs", Formato::Csv), "cs.csv");
  EXPECT_EQ(monitor::formato_de_filtro(4), Formato::Excel);
  EXPECT_EQ(monitor::formato_de_filtro(1), Formato::Csv);
  EXPECT_EQ(monitor::filtros_guardar().size(), 5u);
}

TEST_F(Exportar, TextIsTabSeparatedWithTitlesInUtf8WithItsMark) {
  const std::string t = testing_support::read_file(archivo(Formato::Texto));
  EXPECT_EQ(t.substr(0, t.find("\r\n")), "\xEF\xBB\xBFTipo doc\tNúmero\tMensaje de error");
  EXPECT_NE(t.find("FACO\t000300\tcoma, y \"comillas\" segunda línea\r\n"), std::string::npos);
  EXPECT_NE(t.find("Peñalara\t€ 1\t"), std::string::npos);
}

// What a spreadsheet would run as a formula is written as text in both files it opens.
TEST_F(Exportar, CellsThatASpreadsheetWouldRunAreWrittenAsText) {
  if (!hay_python("csv, json")) GTEST_SKIP() << "/usr/bin/python3 missing";
  const Tabla t{{"A", "B"}, {{"=HYPERLINK(\"http://x\")", "+1"}, {"-2", "@SUM(A1)"}, {"a=b", "1"}}};
  const fs::path csv = dir / "formulas.csv";
  monitor::guardar(csv, t, Formato::Csv);
  auto r = python(
      "import csv,json,sys; print(json.dumps(list(csv.reader(open(sys.argv[1], "
      "newline=\"\", encoding=\"utf-8-sig\")))))",
      csv.string());
  ASSERT_TRUE(r);
  EXPECT_EQ(
      celdas(*r),
      (std::vector<std::vector<std::string>>{
          {"A", "B"}, {"'=HYPERLINK(\"http://x\")", "'+1"}, {"'-2", "'@SUM(A1)"}, {"a=b", "1"}}));
  const std::string texto = monitor::a_texto(t);
  EXPECT_NE(texto.find("'=HYPERLINK(\"http://x\")\t'+1\r\n'-2\t'@SUM(A1)\r\na=b\t1"),
            std::string::npos);
}

TEST_F(Exportar, CsvReadsBackCellForCell) {
  if (!hay_python("csv, json")) GTEST_SKIP() << "/usr/bin/python3 missing";
  auto r = python(
      "import csv,json,sys; print(json.dumps(list(csv.reader(open(sys.argv[1], "
      "newline=\"\", encoding=\"utf-8-sig\")))))",
      archivo(Formato::Csv));
  ASSERT_TRUE(r);
  EXPECT_EQ(celdas(*r), esperado());
}

TEST_F(Exportar, HtmlIsAValidDocumentWhoseCellsKeepTheirText) {
  if (!hay_python("html.parser, json")) GTEST_SKIP() << "/usr/bin/python3 missing";
  // The parser collects the text of every cell; markup in a message would add cells
  // or tags, a bare "&" would be read as an entity.
  auto r = python(
      "import html.parser,json,sys\n"
      "class P(html.parser.HTMLParser):\n"
      "  def __init__(s):\n"
      "    super().__init__(convert_charrefs=True); s.filas=[]; s.celda=None; s.otras=[]\n"
      "  def handle_starttag(s,t,a):\n"
      "    if t==\"tr\": s.filas.append([])\n"
      "    elif t in (\"td\",\"th\"): s.celda=\"\"\n"
      "    elif t not in (\"html\",\"head\",\"meta\",\"title\",\"body\",\"table\"): "
      "s.otras.append(t)\n"
      "  def handle_endtag(s,t):\n"
      "    if t in (\"td\",\"th\"): s.filas[-1].append(s.celda); s.celda=None\n"
      "  def handle_data(s,d):\n"
      "    if s.celda is not None: s.celda+=d\n"
      "p=P(); p.feed(open(sys.argv[1],encoding=\"utf-8\").read()); p.close()\n"
      "assert not p.otras, p.otras\n"
      "print(json.dumps(p.filas))",
      archivo(Formato::Html));
  ASSERT_TRUE(r);
  EXPECT_EQ(celdas(*r), esperado());
}

TEST_F(Exportar, RtfIsReadByARealRtfReader) {
  if (!salida_de("command -v unrtf >/dev/null")) GTEST_SKIP() << "unrtf missing";
  auto r = salida_de("unrtf --quiet --text '" + archivo(Formato::Rtf) + "' 2>/dev/null");
  ASSERT_TRUE(r);
  // unrtf prints every cell's text after a tab (placed before the first word, so
  // tabs are dropped here); escaped backslashes and braces come back as written.
  std::erase(*r, '\t');
  for (const char* parte :
       {"Mensaje de error", "000008{\\rtf1 no} \\par C:\\datos\\velmora.fdb", "000300",
        "violation of FOREIGN KEY <FK_ENTR> & \"x\" 'y'", "segunda l"}) {
    EXPECT_NE(r->find(parte), std::string::npos) << parte << "\n" << *r;
  }
  const std::string rtf = testing_support::read_file(archivo(Formato::Rtf));
  EXPECT_NE(rtf.find("Pe\\u241?alara"), std::string::npos);
  int nivel = 0, minimo = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{' || rtf[i] == '}') {
      nivel += rtf[i] == '{' ? 1 : -1;
      minimo = std::min(minimo, nivel);
    }
  }
  EXPECT_EQ(nivel, 0);
  EXPECT_EQ(minimo, 0);
}

TEST_F(Exportar, TheSpreadsheetIsReadByXlrdCellForCell) {
  if (!hay_python("xlrd, json")) GTEST_SKIP() << "python3-xlrd missing";
  auto r = python(
      "import xlrd,json,sys\n"
      "b=xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
      "h=b.sheet_by_index(0)\n"
      "assert b.nsheets==1 and h.name==\"Hoja1\"\n"
      "print(json.dumps([[h.cell_value(r,c) for c in range(h.ncols)] for r in range(h.nrows)]))",
      archivo(Formato::Excel));
  ASSERT_TRUE(r);
  EXPECT_EQ(celdas(*r), esperado());
}

TEST_F(Exportar, ALargeSelectionSpansSeveralFatSectors) {
  if (!hay_python("xlrd, json")) GTEST_SKIP() << "python3-xlrd missing";
  Tabla grande{{"A", "B"}, {}};
  for (int i = 0; i < 3000; ++i)
    grande.filas.push_back({std::to_string(i), std::string(100, static_cast<char>('a' + i % 26))});
  fs::path p = dir / "grande.xls";
  monitor::guardar(p, grande, Formato::Excel);
  EXPECT_GT(fs::file_size(p), 128u * 512u);  // more sectors than one FAT sector maps
  auto r = python(
      "import xlrd,sys\n"
      "h=xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
      "print(h.nrows, h.cell_value(3000,0), h.cell_value(3000,1)[:3])",
      p.string());
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, "3001 2999 jjj\n");
}

TEST_F(Exportar, AFileThatCannotBeWrittenIsReported) {
  EXPECT_THROW(monitor::guardar(dir / "no" / "existe.txt", kTabla, Formato::Texto),
               std::runtime_error);
}
