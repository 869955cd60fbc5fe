#pragma once
// Internal: access to the Firebird OO API and small owners for its interfaces.

#include <firebird/Interface.h>

#include <string>
#include <utility>

namespace db::fb {

Firebird::IMaster* master();
Firebird::IUtil* util();
Firebird::IProvider* provider();

// Status for calls that must not throw (cleanup paths).
class QuietStatus {
 public:
  QuietStatus() : s_(master()->getStatus()), w_(s_) {}
  ~QuietStatus() { s_->dispose(); }
  QuietStatus(const QuietStatus&) = delete;
  QuietStatus& operator=(const QuietStatus&) = delete;
  Firebird::CheckStatusWrapper* get() { return &w_; }
  bool failed() const { return (s_->getState() & Firebird::IStatus::STATE_ERRORS) != 0; }

 private:
  Firebird::IStatus* s_;
  Firebird::CheckStatusWrapper w_;
};

// Status that throws Firebird::FbException on failure; `translate` turns it into db::Error.
class Status {
 public:
  Status() : s_(master()->getStatus()), w_(s_) {}
  ~Status() { s_->dispose(); }
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;
  Firebird::ThrowStatusWrapper* get() { return &w_; }

 private:
  Firebird::IStatus* s_;
  Firebird::ThrowStatusWrapper w_;
};

// Converts a Firebird exception into db::Error carrying the full message text.
[[noreturn]] void rethrow(const Firebird::FbException& e);
std::string format_status(const Firebird::IStatus* status);
// The failure is a string truncation (SQLSTATE 22001).
bool truncated(const Firebird::FbException& e);

// Move-only owner of a reference-counted interface: release() on destruction.
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p) : p_(p) {}
  ~Ref() { reset(); }
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  Ref& operator=(Ref&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T* release_ownership() { return std::exchange(p_, nullptr); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->release();
  }

 private:
  T* p_ = nullptr;
};

// A transaction that rolls back when it is destroyed without a successful commit.
class Transaction {
 public:
  Transaction() = default;
  explicit Transaction(Firebird::ITransaction* t) : t_(t) {}
  ~Transaction() { rollback_quietly(); }
  Transaction(Transaction&& o) noexcept : t_(std::exchange(o.t_, nullptr)) {}
  Transaction& operator=(Transaction&& o) noexcept {
    if (this != &o) {
      rollback_quietly();
      t_ = std::exchange(o.t_, nullptr);
    }
    return *this;
  }
  Firebird::ITransaction* get() const { return t_; }
  void commit();  // throws db::Error; the transaction is gone either way afterwards
  // Commits the work done so far and goes on as a new transaction under the same
  // handle; throws db::Error, and the transaction is gone when it fails.
  void commit_retaining();
  void rollback_quietly() noexcept;
  void commit_quietly() noexcept;  // rolls back when the commit fails

 private:
  Firebird::ITransaction* t_ = nullptr;
};

}  // namespace db::fb
