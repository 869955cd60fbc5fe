// The console control events only Windows sends (the console closed, log-off, shutdown)
// end the process as soon as their handler returns: the handler notes the stop and
// waits until the program has stopped.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <future>
#include <string>

#include "plataforma/parada.h"
#include "plataforma/parada_windows.h"

TEST(ParadaWindows, ClosingTheConsoleWaitsUntilTheProgramHasStopped) {
  EXPECT_EQ(plataforma::atender_evento_de_consola(CTRL_BREAK_EVENT), TRUE);
  EXPECT_STREQ(plataforma::parada_pedida(), "CTRL_BREAK_EVENT");

  std::future<int> cierre = std::async(
      std::launch::async, [] { return plataforma::atender_evento_de_consola(CTRL_CLOSE_EVENT); });
  const char* pedida = nullptr;
  for (int i = 0; i < 200 && !pedida; ++i) {
    pedida = plataforma::parada_pedida();
    if (!pedida) Sleep(10);
  }
  ASSERT_NE(pedida, nullptr);
  EXPECT_STREQ(pedida, "CTRL_CLOSE_EVENT");
  EXPECT_EQ(cierre.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout)
      << "returning would let Windows end the process mid-event";
  plataforma::parada_cumplida();
  ASSERT_EQ(cierre.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(cierre.get(), TRUE);

  EXPECT_EQ(plataforma::atender_evento_de_consola(0x7f), FALSE) << "an event it does not know";
}
