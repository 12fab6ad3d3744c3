// The base of every window: built from the layout stored under its class name, with each named
// control bound to the field of that name and each event to the handler of that name.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "ui/toolkit.h"
#include "ui/window_description.h"

namespace ui {

class TForm : private WindowEvents {
 public:
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;
  ~TForm() override;

 protected:
  TForm(Toolkit& toolkit, std::string class_name);

  template <class Kind>
  void RegisterField(const std::string& name, Kind*& field) {
    // The toolkit builds each component as the kind its description gives, so a matching kind
    // makes the cast sound; the program is built without run-time type information.
    fields_[name] = [&field](TComponent* component, ControlKind kind) {
      if (!component || kind != Kind::kKind) return false;
      field = static_cast<Kind*>(component);
      return true;
    };
  }
  void RegisterHandler(const std::string& name, std::function<void()> handler);
  void RegisterKeyHandler(const std::string& name, std::function<void(char32_t&)> handler);

  // Loads and checks the stored layout, builds the window, binds the fields and handlers; the
  // creation handler runs last. Every field and handler must be registered before.
  void Build();

  // Asked when the close box is pressed.
  virtual bool CanClose() { return true; }

  Toolkit& toolkit() { return toolkit_; }

 private:
  using Key = std::pair<std::string, Event>;

  void Created(NativeWindow& window) override;
  void Notify(const std::string& component, Event event) override;
  void KeyPress(const std::string& component, char32_t& key) override;
  bool CloseQuery() override;
  void BindEvent(const std::string& component, const EventBinding& binding);

  Toolkit& toolkit_;
  std::string class_name_;
  WindowDescription description_;
  std::map<std::string, std::function<bool(TComponent*, ControlKind)>> fields_;
  std::map<std::string, std::function<void()>> handlers_;
  std::map<std::string, std::function<void(char32_t&)>> key_handlers_;
  std::map<Key, std::function<void()>> bound_;
  std::map<std::string, std::function<void(char32_t&)>> bound_keys_;
  std::unique_ptr<NativeWindow> window_;
};

}  // namespace ui
