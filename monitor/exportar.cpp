#include "monitor/exportar.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "plataforma/rutas.h"

namespace monitor {

namespace {

struct Filtro {
  Formato formato;
  const char* extension;
  const char* filtro;
};
const Filtro kFiltros[] = {
    {Formato::Texto, "txt", "Text files (*.txt)"},
    {Formato::Csv, "csv", "Comma separated values (*.csv)"},
    {Formato::Html, "htm", "HTML file (*.htm)"},
    {Formato::Rtf, "rtf", "Rich Text Format (*.rtf)"},
    {Formato::Excel, "xls", "Microsoft Excel Workbook (*.xls)"},
};

std::string mayusculas(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::u16string utf16(const std::string& s) { return QString::fromStdString(s).toStdU16String(); }

// Every row, titles first.
template <typename F>
void cada_fila(const Tabla& t, F&& f) {
  f(t.titulos, true);
  for (const auto& fila : t.filas) f(fila, false);
}

// Text and CSV files open in a spreadsheet as UTF-8 whatever the workstation's code page
// when they start with the byte-order mark.
constexpr std::string_view kMarcaUtf8 = "\xEF\xBB\xBF";

// A cell a spreadsheet would run as a formula ("=", "+", "-", "@", or a tab or CR
// before one) is written as text: a leading apostrophe, which the spreadsheet shows as
// a text cell and does not run.
std::string sin_formula(const std::string& s) {
  if (s.empty() || std::string_view("=+-@\t\r").find(s.front()) == std::string_view::npos) return s;
  return "'" + s;
}

std::string celda_texto(const std::string& celda) {
  std::string out = sin_formula(celda);
  for (char& c : out)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return out;
}

std::string celda_csv(const std::string& celda) {
  const std::string s = sin_formula(celda);
  if (s.size() == celda.size() && s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string html_escapado(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string rtf_escapado(const std::string& s) {
  std::string out;
  for (char16_t c : utf16(s)) {
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\line ";
    } else if (c == '\r' || c == '\t') {
      out += ' ';
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      // \uN takes a signed 16-bit number; "?" stands in for readers without Unicode.
      out += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + "?";
    }
  }
  return out;
}

// ---- BIFF8 records and the compound document around them -----------------------------

void u16(std::string& b, unsigned v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}
void u32(std::string& b, std::uint32_t v) {
  u16(b, v & 0xFFFF);
  u16(b, v >> 16);
}
void registro(std::string& b, unsigned tipo, const std::string& datos) {
  u16(b, tipo);
  u16(b, static_cast<unsigned>(datos.size()));
  b += datos;
}
// A string with its length in one byte (sheet and font names) or two (cells), always
// stored as UTF-16.
std::string cadena(const std::u16string& s, bool largo_corto) {
  std::string d;
  if (largo_corto)
    d += static_cast<char>(s.size());
  else
    u16(d, static_cast<unsigned>(s.size()));
  d += '\x01';
  for (char16_t c : s) u16(d, c);
  return d;
}

std::string bof(unsigned tipo) {
  std::string d;
  u16(d, 0x0600);  // BIFF8
  u16(d, tipo);
  u16(d, 0x0DBB);
  u16(d, 0x07CC);
  u32(d, 0x00000041);
  u32(d, 0x00000006);
  return d;
}

constexpr std::size_t kMaxFilas = 65536;
constexpr std::size_t kMaxColumnas = 256;
constexpr std::size_t kMaxCaracteres = 4000;  // a LABEL record holds at most 8224 bytes
constexpr unsigned kXfCelda = 15;             // the first cell format after 15 style formats

std::string libro(const Tabla& t) {
  const std::size_t columnas = std::max(
      t.titulos.size(),
      t.filas.empty() ? std::size_t{0}
                      : std::max_element(t.filas.begin(), t.filas.end(), [](auto& a, auto& b) {
                          return a.size() < b.size();
                        })->size());
  const std::size_t filas = t.filas.size() + 1;
  if (filas > kMaxFilas || columnas > kMaxColumnas)
    throw std::runtime_error("La selección no cabe en una hoja de Excel 97-2003 (" +
                             std::to_string(filas) + " filas, " + std::to_string(columnas) +
                             " columnas)");

  std::string g;  // workbook globals
  registro(g, 0x0809, bof(0x0005));
  {
    std::string d;
    u16(d, 1200);  // UTF-16
    registro(g, 0x0042, d);
  }
  {
    std::string d;
    u16(d, 0);
    u16(d, 0);
    u16(d, 0x3000);
    u16(d, 0x1E00);
    u16(d, 0x0038);
    u16(d, 0);
    u16(d, 0);
    u16(d, 1);
    u16(d, 0x0258);
    registro(g, 0x003D, d);
  }
  for (int i = 0; i < 4; ++i) {  // font 4 does not exist in this format; four are enough
    std::string d;
    u16(d, 200);
    u16(d, 0);
    u16(d, 0x7FFF);
    u16(d, 400);
    u16(d, 0);
    d += '\0';
    d += '\0';
    d += '\0';
    d += '\0';
    d += cadena(u"Arial", true);
    registro(g, 0x0031, d);
  }
  for (unsigned i = 0; i <= kXfCelda; ++i) {
    const bool estilo = i < kXfCelda;
    std::string d;
    u16(d, 0);
    u16(d, 0);
    u16(d, estilo ? 0xFFF5 : 0x0001);
    d += '\x20';
    d += '\0';
    d += '\0';
    d += estilo ? '\xF4' : '\0';
    u32(d, 0);
    u32(d, 0);
    u16(d, 0x20C0);
    registro(g, 0x00E0, d);
  }
  registro(g, 0x0293, std::string("\x00\x80\x00\xFF", 4));  // the "Normal" style
  const std::size_t pos_hoja = g.size() + 4;  // offset field of BOUNDSHEET, after its header
  {
    std::string d;
    u32(d, 0);  // patched below
    u16(d, 0);
    d += cadena(u"Hoja1", true);
    registro(g, 0x0085, d);
  }
  registro(g, 0x000A, {});

  std::string h;  // the sheet
  registro(h, 0x0809, bof(0x0010));
  {
    std::string d;
    u32(d, 0);
    u32(d, static_cast<std::uint32_t>(filas));
    u16(d, 0);
    u16(d, static_cast<unsigned>(columnas));
    u16(d, 0);
    registro(h, 0x0200, d);
  }
  unsigned r = 0;
  cada_fila(t, [&](const std::vector<std::string>& fila, bool) {
    for (std::size_t c = 0; c < fila.size(); ++c) {
      std::u16string s = utf16(fila[c]);
      if (s.size() > kMaxCaracteres) s.resize(kMaxCaracteres);
      std::string d;
      u16(d, r);
      u16(d, static_cast<unsigned>(c));
      u16(d, kXfCelda);
      d += cadena(s, false);
      registro(h, 0x0204, d);
    }
    ++r;
  });
  {
    std::string d;
    u16(d, 0x06B6);
    u16(d, 0);
    u16(d, 0);
    u32(d, 0x40);
    u16(d, 0);
    u16(d, 0);
    u32(d, 0);
    registro(h, 0x023E, d);
  }
  registro(h, 0x000A, {});

  const auto inicio_hoja = static_cast<std::uint32_t>(g.size());
  for (int i = 0; i < 4; ++i) g[pos_hoja + i] = static_cast<char>((inicio_hoja >> (8 * i)) & 0xFF);
  return g + h;
}

constexpr std::uint32_t kFin = 0xFFFFFFFE;    // end of a sector chain
constexpr std::uint32_t kLibre = 0xFFFFFFFF;  // free sector, no directory entry
constexpr std::uint32_t kSectorFat = 0xFFFFFFFD;
constexpr std::size_t kSector = 512;

std::string entrada_directorio(const std::u16string& nombre, int tipo, std::uint32_t hijo,
                               std::uint32_t inicio, std::uint32_t largo) {
  std::string d;
  for (char16_t c : nombre) u16(d, c);
  if (!nombre.empty()) u16(d, 0);
  d.resize(64, '\0');
  u16(d, nombre.empty() ? 0 : static_cast<unsigned>((nombre.size() + 1) * 2));
  d += static_cast<char>(tipo);
  d += '\x01';  // black
  u32(d, kLibre);
  u32(d, kLibre);
  u32(d, hijo);
  d.append(16, '\0');  // class id
  u32(d, 0);           // state bits
  d.append(16, '\0');  // creation and modification times
  u32(d, inicio);
  u32(d, largo);
  u32(d, 0);
  return d;
}

// The workbook as the "Workbook" stream of a compound document with 512-byte sectors.
// Streams under 4096 bytes belong in the mini stream; the workbook is padded to that
// size instead, which every reader accepts.
std::string documento_compuesto(std::string libro) {
  if (libro.size() < 4096) libro.resize(4096, '\0');
  const std::size_t largo = libro.size();
  libro.resize((largo + kSector - 1) / kSector * kSector, '\0');
  const std::size_t s_libro = libro.size() / kSector;
  std::size_t s_fat = 1;
  while ((s_libro + 1 + s_fat + 127) / 128 > s_fat) ++s_fat;
  if (s_fat > 109)
    throw std::runtime_error("La selección es demasiado grande para un archivo de Excel 97-2003");
  const auto dir = static_cast<std::uint32_t>(s_libro);

  std::string cab;
  cab += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  cab.append(16, '\0');
  u16(cab, 0x003E);
  u16(cab, 0x0003);
  u16(cab, 0xFFFE);
  u16(cab, 9);
  u16(cab, 6);
  cab.append(6, '\0');
  u32(cab, 0);  // directory sectors (always 0 with 512-byte sectors)
  u32(cab, static_cast<std::uint32_t>(s_fat));
  u32(cab, dir);
  u32(cab, 0);
  u32(cab, 4096);
  u32(cab, kFin);
  u32(cab, 0);  // no mini FAT
  u32(cab, kFin);
  u32(cab, 0);  // no further DIFAT sectors
  for (std::size_t i = 0; i < 109; ++i)
    u32(cab, i < s_fat ? static_cast<std::uint32_t>(s_libro + 1 + i) : kLibre);

  std::string directorio =
      entrada_directorio(u"Root Entry", 5, 1, kFin, 0) +
      entrada_directorio(u"Workbook", 2, kLibre, 0, static_cast<std::uint32_t>(largo)) +
      entrada_directorio(u"", 0, kLibre, 0, 0) + entrada_directorio(u"", 0, kLibre, 0, 0);

  std::string fat;
  for (std::size_t i = 0; i < s_libro; ++i)
    u32(fat, i + 1 < s_libro ? static_cast<std::uint32_t>(i + 1) : kFin);
  u32(fat, kFin);  // the directory's one sector
  for (std::size_t i = 0; i < s_fat; ++i) u32(fat, kSectorFat);
  fat.resize(s_fat * kSector, '\xFF');

  return cab + libro + directorio + fat;
}

}  // namespace

const std::vector<std::string>& filtros_guardar() {
  static const std::vector<std::string> f = [] {
    std::vector<std::string> v;
    for (const Filtro& x : kFiltros) v.push_back(x.filtro);
    return v;
  }();
  return f;
}

Formato formato_de_filtro(int posicion) {
  if (posicion < 0 || posicion >= static_cast<int>(std::size(kFiltros))) return Formato::Texto;
  return kFiltros[posicion].formato;
}

const char* extension(Formato f) { return kFiltros[static_cast<int>(f) - 1].extension; }

std::string con_extension(std::string_view nombre, Formato f) {
  const std::string ext = extension(f);
  if (nombre.size() >= ext.size() &&
      mayusculas(nombre.substr(nombre.size() - ext.size())) == mayusculas(ext))
    return std::string(nombre);
  return std::string(nombre) + "." + ext;
}

std::string a_texto(const Tabla& t) {
  std::string out(kMarcaUtf8);
  cada_fila(t, [&](const std::vector<std::string>& fila, bool) {
    for (std::size_t c = 0; c < fila.size(); ++c) {
      if (c) out += '\t';
      out += celda_texto(fila[c]);
    }
    out += "\r\n";
  });
  return out;
}

std::string a_csv(const Tabla& t) {
  std::string out(kMarcaUtf8);
  cada_fila(t, [&](const std::vector<std::string>& fila, bool) {
    for (std::size_t c = 0; c < fila.size(); ++c) {
      if (c) out += ',';
      out += celda_csv(fila[c]);
    }
    out += "\r\n";
  });
  return out;
}

std::string a_html(const Tabla& t) {
  std::string out =
      "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Eventos de "
      "replicación</title>\n</head>\n<body>\n<table border=\"1\">\n";
  cada_fila(t, [&](const std::vector<std::string>& fila, bool titulos) {
    out += "<tr>";
    for (const std::string& s : fila)
      out += (titulos ? "<th>" : "<td>") + html_escapado(s) + (titulos ? "</th>" : "</td>");
    out += "</tr>\n";
  });
  return out + "</table>\n</body>\n</html>\n";
}

std::string a_rtf(const Tabla& t) {
  std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs18\n";
  cada_fila(t, [&](const std::vector<std::string>& fila, bool titulos) {
    out += "\\trowd\\trgaph70";
    for (std::size_t c = 0; c < fila.size(); ++c)
      out += "\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx" +
             std::to_string(1800 * (c + 1));
    out += "\n";
    for (const std::string& s : fila)
      out += std::string("\\pard\\intbl") + (titulos ? "\\b " : " ") + rtf_escapado(s) +
             (titulos ? "\\b0" : "") + "\\cell\n";
    out += "\\row\n";
  });
  return out + "}\n";
}

std::string a_xls(const Tabla& t) { return documento_compuesto(libro(t)); }

std::string escribir(const Tabla& t, Formato f) {
  switch (f) {
    case Formato::Texto:
      return a_texto(t);
    case Formato::Csv:
      return a_csv(t);
    case Formato::Html:
      return a_html(t);
    case Formato::Rtf:
      return a_rtf(t);
    case Formato::Excel:
      return a_xls(t);
  }
  return a_texto(t);
}

void guardar(const std::filesystem::path& archivo, const Tabla& t, Formato f) {
  std::string contenido = escribir(t, f);
  std::ofstream out(archivo, std::ios::binary | std::ios::trunc);
  if (out) out.write(contenido.data(), static_cast<std::streamsize>(contenido.size()));
  if (!out || !out.flush())
    throw std::runtime_error("No se pudo escribir el archivo " + plataforma::texto(archivo));
}

}  // namespace monitor
