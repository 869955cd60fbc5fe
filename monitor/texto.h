#pragma once
// Text between the suite's databases and the windows, through the one converter: the
// suite's bytes are decoded (UTF-8 on their way into a QString) and what the operator
// typed is encoded back into the suite's code page.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "plataforma/pagina_codigos.h"

namespace monitor {

inline QString desde_suite(std::string_view bytes) {
  return QString::fromStdString(plataforma::desde_suite(bytes));
}
inline std::string hacia_suite(const QString& texto) {
  return plataforma::hacia_suite(texto.toStdString());
}
// Nothing when some character has no byte in the suite's code page.
inline std::optional<std::string> hacia_suite_exacto(const QString& texto) {
  return plataforma::hacia_suite_exacto(texto.toStdString());
}

}  // namespace monitor
