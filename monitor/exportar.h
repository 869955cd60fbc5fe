#pragma once
// "Guardar selección": the five formats a list can be saved in, the extension rule
// and the writers. A table is its column titles and rows of cell texts (UTF-8).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace monitor {

struct Tabla {
  std::vector<std::string> titulos;
  std::vector<std::vector<std::string>> filas;
};

// In the order of the save dialog's filters (the first filter is 1).
enum class Formato { Texto = 1, Csv, Html, Rtf, Excel };

// The save dialog's filters, in the order of Formato.
const std::vector<std::string>& filtros_guardar();
// The format of the dialog's filter at `posicion` (0-based); Texto when out of range.
Formato formato_de_filtro(int posicion);
// "txt", "csv", "htm", "rtf", "xls".
const char* extension(Formato f);
// The name as typed when its last three characters are the extension (in any case);
// otherwise the name with "." and the extension appended.
std::string con_extension(std::string_view nombre, Formato f);

// Text and CSV are UTF-8 with a byte-order mark, so that a spreadsheet on any workstation
// reads them as UTF-8 (without it Excel takes the workstation's ANSI code page, which
// need not be the suite's, and a code page could not hold every character a list shows
// anyway). A cell that starts with "=", "+", "-" or "@" is written with a leading
// apostrophe, so that a spreadsheet takes it as text and never runs it as a formula.
//
// Tab-separated lines, titles first; tabs and line breaks inside a cell become blanks.
std::string a_texto(const Tabla& t);
// Comma-separated values, quoted where needed, CR LF line ends.
std::string a_csv(const Tabla& t);
// An HTML document holding one table, every text escaped.
std::string a_html(const Tabla& t);
// A Rich Text Format document holding one table; braces, backslashes and characters
// beyond ASCII escaped.
std::string a_rtf(const Tabla& t);
// An Excel 97-2003 workbook (BIFF8 in a compound document) with one sheet of text
// cells. Throws std::runtime_error when the table does not fit in such a sheet.
std::string a_xls(const Tabla& t);

std::string escribir(const Tabla& t, Formato f);
// Writes the file; throws std::runtime_error with the reason when it cannot.
void guardar(const std::filesystem::path& archivo, const Tabla& t, Formato f);

}  // namespace monitor
