// Stop requests from outside (SIGTERM; Ctrl+C on Windows) reach the agent's thread once
// each, also after another handler (the Firebird client's) took them.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "plataforma/parada.h"
#include "support/sistema.h"

namespace {

// The request noted, waiting a little for a handler that runs on a thread of its own.
std::string esperar_parada() {
  for (int i = 0; i < 200; ++i) {
    if (const char* p = plataforma::parada_pedida()) return p;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "ninguna";
}

}  // namespace

TEST(Parada, ARequestIsNotedOnceAndTakenBackFromAHandlerInstalledLater) {
  plataforma::tomar_parada();
  EXPECT_EQ(plataforma::parada_pedida(), nullptr);
  const std::string nombre = testing_support::pedir_parada();
  EXPECT_EQ(esperar_parada(), nombre);
  EXPECT_EQ(plataforma::parada_pedida(), nullptr) << "one request, one stop";

  testing_support::ocupar_parada();
  plataforma::tomar_parada();
  testing_support::pedir_parada();
  EXPECT_EQ(esperar_parada(), nombre);
  plataforma::soltar_parada();
}
