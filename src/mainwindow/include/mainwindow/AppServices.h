#pragma once

namespace brellow::ado {
class ComponentFactory;
} // namespace brellow::ado

namespace brellow::os {
class Desktop;
} // namespace brellow::os

namespace brellow::uiservices {
class MessageBoxService;
class ModalPresenter;
class MousePointer;
} // namespace brellow::uiservices

namespace brellow::mainwindow {

// What the windows need from outside: the database component, the toolkit's services and the
// operating system's desktop. The program passes real implementations; tests pass fakes.
struct AppServices {
    ado::ComponentFactory& components;
    uiservices::MessageBoxService& messageBoxes;
    uiservices::MousePointer& mousePointer;
    uiservices::ModalPresenter& modal;
    os::Desktop& desktop;
};

} // namespace brellow::mainwindow
