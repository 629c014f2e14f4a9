#pragma once

namespace brellow::ado {
class ComponentFactory;
} // namespace brellow::ado

namespace brellow::uiservices {
class MessageBoxService;
class ModalPresenter;
class MousePointer;
} // namespace brellow::uiservices

namespace brellow::os {
class ProgramStarter;
class Registry;
class Shell;
} // namespace brellow::os

namespace brellow::mainwindow {

// What the windows need from outside: the database component and the platform seams.
// The program passes real implementations; tests pass fakes.
struct AppServices {
    ado::ComponentFactory& components;
    uiservices::MessageBoxService& messageBoxes;
    uiservices::MousePointer& mousePointer;
    uiservices::ModalPresenter& modal;
    os::Registry& registry;
    os::ProgramStarter& programs;
    os::Shell& shell;
};

} // namespace brellow::mainwindow
