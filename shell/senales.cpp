#include "shell/senales.h"

#include "db/connection.h"
#include "plataforma/parada.h"

namespace shell {

Senales::Senales(std::function<void(const char*)> detener, QObject* parent)
    : QObject(parent), detener_(std::move(detener)) {
  connect(&vigia_, &QTimer::timeout, this, &Senales::leer);
  vigia_.start(100);
  tomar();
}

Senales::~Senales() { plataforma::soltar_parada(); }

void Senales::tomar() {
  plataforma::tomar_parada([] { db::pedir_fin(); });
}

void Senales::leer() {
  if (const char* pedida = plataforma::parada_pedida(); pedida && detener_) detener_(pedida);
}

}  // namespace shell
