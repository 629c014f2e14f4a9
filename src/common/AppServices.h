#pragma once

namespace brellow::db {
class ComponentFactory;
}

namespace brellow::platform {
class MessageBoxService;
class ModalPresenter;
class MousePointer;
class ProgramStarter;
class Registry;
class Shell;
} // namespace brellow::platform

namespace brellow::common {

// What the windows need from outside: the database component and the platform seams.
// The program passes real implementations; tests pass fakes.
struct AppServices {
    db::ComponentFactory& components;
    platform::MessageBoxService& messageBoxes;
    platform::MousePointer& mousePointer;
    platform::ModalPresenter& modal;
    platform::Registry& registry;
    platform::ProgramStarter& programs;
    platform::Shell& shell;
};

} // namespace brellow::common
