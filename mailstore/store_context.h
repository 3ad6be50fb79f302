// What the objects of one logged-on store share: the store backend and the component's
// setup. The store is flushed when the last object holding it lets go.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "mailstore/component_setup.h"
#include "mailstore/store_backend.h"

namespace qm::mail {

struct StoreContext {
  StoreContext(std::unique_ptr<StoreBackend> b, ComponentSetup s)
      : backend(std::move(b)), setup(std::move(s)) {}
  ~StoreContext() {
    try {
      backend->flush();
    } catch (...) {
      // Nothing can report it from here; every mail saved was handed to the store already.
    }
  }
  StoreContext(const StoreContext&) = delete;
  StoreContext& operator=(const StoreContext&) = delete;

  std::unique_ptr<StoreBackend> backend;
  ComponentSetup setup;
};

// Runs a step of an operation, turning any failure into a ComponentError that names it.
template <typename F>
auto guarded(const char* operation, F&& step) -> decltype(step()) {
  try {
    return step();
  } catch (const ComponentError&) {
    throw;
  } catch (const std::exception& e) {
    throw ComponentError(std::string(operation) + ": " + e.what());
  }
}

// Runs a step that writes the store file: the store failing is a StoreFailure, anything
// else a ComponentError.
template <typename F>
void storeGuarded(const char* operation, F&& step) {
  try {
    step();
  } catch (const StoreError& e) {
    throw StoreFailure(std::string(operation) + ": " + e.what());
  } catch (const ComponentError&) {
    throw;
  } catch (const std::exception& e) {
    throw ComponentError(std::string(operation) + ": " + e.what());
  }
}

}  // namespace qm::mail
