#include "ui/form.h"

#include <set>

#include "install/ascii.h"
#include "install/failure.h"
#include "ui/layout_parser.h"

namespace ui {

TForm::TForm(Toolkit& toolkit, std::string class_name)
    : toolkit_(toolkit), class_name_(std::move(class_name)) {}

TForm::~TForm() = default;

void TForm::RegisterHandler(const std::string& name, std::function<void()> handler) {
  handlers_[name] = std::move(handler);
}

void TForm::RegisterKeyHandler(const std::string& name, std::function<void(char32_t&)> handler) {
  key_handlers_[name] = std::move(handler);
}

void TForm::Build() {
  // The layout is stored under the class name in upper case, as resource names are.
  std::optional<std::string> layout = toolkit_.StoredText(install::AsciiUpper(class_name_));
  if (!layout) throw install::Failure("窗口类 " + class_name_ + " 没有存储的布局");
  description_ = ParseLayout(*layout);
  if (description_.class_name != class_name_)
    FailAtLine(description_.line,
               "布局属于 " + description_.class_name + "，不属于 " + class_name_);

  for (const EventBinding& binding : description_.events) BindEvent("", binding);
  std::set<std::string> controls;
  for (ControlDescription& control : description_.controls) {
    if (!fields_.contains(control.name)) FailAtLine(control.line, "未知的字段 " + control.name);
    controls.insert(control.name);
    for (const EventBinding& binding : control.events) BindEvent(control.name, binding);
    if (!control.text_resource.empty()) {
      std::optional<std::string> text = toolkit_.StoredText(control.text_resource);
      if (!text) FailAtLine(control.line, "找不到文本 " + control.text_resource);
      control.text = std::move(*text);
    }
  }
  for (const auto& [name, bind] : fields_)
    if (!controls.contains(name)) FailAtLine(description_.line, "缺少字段 " + name + " 的控件");

  window_ = toolkit_.CreateMainWindow(description_, *this);
}

void TForm::BindEvent(const std::string& component, const EventBinding& binding) {
  if (binding.event == Event::KeyPress) {
    auto handler = key_handlers_.find(binding.handler);
    if (handler == key_handlers_.end())
      FailAtLine(binding.line, "未知的处理程序 " + binding.handler);
    bound_keys_[component] = handler->second;
  } else {
    auto handler = handlers_.find(binding.handler);
    if (handler == handlers_.end()) FailAtLine(binding.line, "未知的处理程序 " + binding.handler);
    bound_[{component, binding.event}] = handler->second;
  }
}

void TForm::Created(NativeWindow& window) {
  // Fields are bound first, so that the creation handler finds every control in place.
  for (const ControlDescription& control : description_.controls) {
    TComponent* component = window.Find(control.name);
    if (!fields_.at(control.name)(component, control.kind))
      FailAtLine(control.line, "控件 " + control.name + " 与字段的类型不符");
  }
  auto handler = bound_.find({"", Event::Create});
  if (handler != bound_.end()) handler->second();
}

void TForm::Notify(const std::string& component, Event event) {
  auto handler = bound_.find({component, event});
  if (handler != bound_.end()) handler->second();
}

void TForm::KeyPress(const std::string& component, char32_t& key) {
  auto handler = bound_keys_.find(component);
  if (handler != bound_keys_.end()) handler->second(key);
}

bool TForm::CloseQuery() { return CanClose(); }

}  // namespace ui
