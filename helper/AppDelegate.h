// The helper's application delegate: once start-up has finished, make sure
// the principal application runs, then end.
#pragma once

#include "platform/Application.h"
#include "platform/Object.h"

class AppDelegate final : public qv::Object, public qv::ApplicationDelegate {
 public:
  void applicationDidFinishLaunching(const qv::Id& notification) override;
  const char* className() const override { return "AppDelegate"; }
};
