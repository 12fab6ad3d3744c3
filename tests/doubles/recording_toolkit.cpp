#include "tests/doubles/recording_toolkit.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ui/hit_test.h"

namespace doubles {
namespace {

std::string ReadSourceFile(const std::string& relative) {
  std::ifstream file(std::string(SOURCE_DIR) + "/" + relative, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + relative);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

template <class Kind>
class Recorded : public Kind {
 public:
  explicit Recorded(ControlState& state) : state_(state) {}
  bool Enabled() const override { return state_.enabled; }
  void SetEnabled(bool enabled) override { state_.enabled = enabled; }
  bool Visible() const override { return state_.visible; }
  void SetVisible(bool visible) override { state_.visible = visible; }
  std::string Caption() const override { return state_.caption; }
  void SetCaption(const std::string& caption) override { state_.caption = caption; }

 protected:
  ControlState& state_;
};

class RecordedBox : public Recorded<ui::TComboBox> {
 public:
  using Recorded::Recorded;
  std::string Text() const override { return state_.text; }
};

class RecordedTimer : public ui::TTimer {
 public:
  explicit RecordedTimer(ControlState& state) : state_(state) {}
  bool Enabled() const override { return state_.enabled; }
  void SetEnabled(bool enabled) override { state_.enabled = enabled; }

 private:
  ControlState& state_;
};

}  // namespace

class RecordingToolkit::Window : public ui::NativeWindow {
 public:
  explicit Window(const ui::WindowDescription& description) {
    for (const ui::ControlDescription& control : description.controls) {
      ControlState& state = states[control.name];
      state = {control.enabled, control.visible, control.caption, ""};
      components[control.name] = Make(control.kind, state);
    }
  }
  ~Window() override;

  ui::TComponent* Find(std::string_view name) override {
    auto found = components.find(std::string(name));
    return found == components.end() ? nullptr : found->second.get();
  }

  std::map<std::string, ControlState> states;
  std::map<std::string, std::unique_ptr<ui::TComponent>> components;
  RecordingToolkit* owner = nullptr;

 private:
  static std::unique_ptr<ui::TComponent> Make(ui::ControlKind kind, ControlState& state) {
    switch (kind) {
      case ui::ControlKind::TBCButton:
        return std::make_unique<Recorded<ui::TBCButton>>(state);
      case ui::ControlKind::TBCButtonFocus:
        return std::make_unique<Recorded<ui::TBCButtonFocus>>(state);
      case ui::ControlKind::TBCPanel:
        return std::make_unique<Recorded<ui::TBCPanel>>(state);
      case ui::ControlKind::TComboBox:
        return std::make_unique<RecordedBox>(state);
      case ui::ControlKind::TLabel:
        return std::make_unique<Recorded<ui::TLabel>>(state);
      case ui::ControlKind::TMemo:
        return std::make_unique<Recorded<ui::TMemo>>(state);
      case ui::ControlKind::TTimer:
        return std::make_unique<RecordedTimer>(state);
    }
    return nullptr;
  }
};

RecordingToolkit::Window::~Window() {
  if (owner) owner->window_ = nullptr;
}

RecordingToolkit::RecordingToolkit(VirtualClock* clock) : clock_(clock) {
  stored_texts["TMAIN"] = ReadSourceFile("resources/main_window.layout");
  stored_texts["AGREEMENT"] = ReadSourceFile("resources/agreement.txt");
}

ControlState& RecordingToolkit::state(const std::string& name) {
  if (!window_) throw std::logic_error("no window");
  return window_->states.at(name);
}

bool RecordingToolkit::TimerRunning() const {
  return window_ && window_->states.at("Timer1").enabled;
}

std::string RecordingToolkit::Click(const std::string& name) {
  const ui::ControlDescription* target = description_->Find(name);
  if (!target) throw std::logic_error("no control " + name);
  const ui::ControlDescription* hit = ui::TopmostAt(
      *description_, target->left + target->width / 2, target->top + target->height / 2,
      [&](const ui::ControlDescription& control) { return state(control.name).visible; });
  if (!hit || !state(hit->name).enabled) return "";
  events_->Notify(hit->name, ui::Event::Click);
  return hit->name;
}

bool RecordingToolkit::Tick() {
  if (!TimerRunning()) return false;
  events_->Notify("Timer1", ui::Event::Timer);
  return true;
}

char32_t RecordingToolkit::Type(const std::string& name, char32_t key) {
  events_->KeyPress(name, key);
  if (key != U'\0') state(name).text += static_cast<char>(key);  // test keys are ASCII
  return key;
}

void RecordingToolkit::Choose(const std::string& box, const std::string& item) {
  state(box).text = item;
}

bool RecordingToolkit::PressCloseBox() {
  if (!events_->CloseQuery()) return false;
  Terminate();
  return true;
}

void RecordingToolkit::Initialize(std::string_view icon_resource) { icon = icon_resource; }

std::optional<std::string> RecordingToolkit::StoredText(std::string_view name) {
  auto found = stored_texts.find(std::string(name));
  if (found == stored_texts.end()) return std::nullopt;
  return found->second;
}

std::unique_ptr<ui::NativeWindow> RecordingToolkit::CreateMainWindow(
    const ui::WindowDescription& description, ui::WindowEvents& events) {
  ++windows_created;
  description_ = std::make_unique<ui::WindowDescription>(description);
  events_ = &events;
  auto window = std::make_unique<Window>(description);
  window->owner = this;
  window_ = window.get();
  events.Created(*window);
  return window;
}

void RecordingToolkit::Run() {
  while (!terminated) {
    if (user.empty()) throw std::logic_error("the event loop would wait for ever");
    auto next = std::move(user.front());
    user.pop_front();
    next();
  }
}

void RecordingToolkit::ProcessMessages() {
  pumps.push_back(clock_ ? clock_->now() : 0);
  if (during_pump && !in_pump_) {
    in_pump_ = true;
    during_pump();
    in_pump_ = false;
  }
}

void RecordingToolkit::ShowMessage(const std::string& text) {
  messages.push_back(text);
  if (on_message) on_message(text);
}

}  // namespace doubles
