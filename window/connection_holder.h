// The window's one machine connection: created on first use, never replaced.
#pragma once
#include <functional>
#include <memory>

#include "machine/cmach.h"

namespace kestrom {

class ConnectionHolder {
 public:
  using Factory = std::function<std::unique_ptr<CMach>()>;
  explicit ConnectionHolder(Factory make) : make_(std::move(make)) {}
  CMach& Get() {
    if (!connection_) connection_ = make_();
    return *connection_;
  }
  bool Exists() const { return connection_ != nullptr; }

 private:
  Factory make_;
  std::unique_ptr<CMach> connection_;
};

}  // namespace kestrom
