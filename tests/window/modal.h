#pragma once
// Window tests: acting on a modal window once it is shown, from inside its own loop.

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Runs `f` on the first modal window of class W to become active (polling every 20 ms,
// giving up after 20 s). Deleting the returned timer gives up at once.
template <typename W>
QPointer<QTimer> alAbrir(std::function<void(W*)> f) {
  auto* t = new QTimer(qApp);
  auto reloj = std::make_shared<QElapsedTimer>();
  reloj->start();
  QObject::connect(t, &QTimer::timeout, [t, f, reloj] {
    W* w = qobject_cast<W*>(QApplication::activeModalWidget());
    if (!w && reloj->elapsed() < 20000) return;
    t->stop();
    t->deleteLater();
    if (w) f(w);
  });
  t->start(20);
  return t;
}

// Gives up waiting for a window that did not come.
inline void olvidar(QPointer<QTimer>& t) {
  if (t) delete t.data();
}
