#pragma once
// Test support: another user holding a row lock.

#include <string>

#include "db/connection.h"
#include "db/fb.h"

namespace testing_support {

// Holds a row lock in a transaction of its own until destroyed (undone) or confirmed.
class RowLock {
 public:
  RowLock(const db::ConnectParams& p, const std::string& update) {
    db::fb::Status st;
    auto* util = db::fb::util();
    auto* dpb = util->getXpbBuilder(st.get(), Firebird::IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(st.get(), isc_dpb_user_name, p.user.c_str());
    dpb->insertString(st.get(), isc_dpb_password, p.password.c_str());
    att_ = db::fb::provider()->attachDatabase(
        st.get(), p.database.c_str(), dpb->getBufferLength(st.get()), dpb->getBuffer(st.get()));
    dpb->dispose();
    tra_ = att_->startTransaction(st.get(), 0, nullptr);
    att_->execute(st.get(), tra_, 0, update.c_str(), 3, nullptr, nullptr, nullptr, nullptr);
  }
  ~RowLock() {
    db::fb::Status st;
    if (tra_) tra_->rollback(st.get());
    att_->detach(st.get());
  }
  // Commits what the statement did; the lock goes with it.
  void confirmar() {
    db::fb::Status st;
    tra_->commit(st.get());
    tra_ = nullptr;
  }

 private:
  Firebird::IAttachment* att_ = nullptr;
  Firebird::ITransaction* tra_ = nullptr;
};

}  // namespace testing_support
