#pragma once

#include "mainwindow/AppServices.h"
#include "support/FakeComponent.h"
#include "support/FakeDesktop.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeModalPresenter.h"
#include "support/FakeMousePointer.h"

namespace brellow::testsupport {

// Every seam a window takes, as recording fakes, and the services struct over them.
struct FakeAppServices {
    FakeComponent components;
    FakeMessageBoxService messageBoxes;
    FakeMousePointer mousePointer;
    FakeModalPresenter modal;
    FakeDesktop desktop;
    mainwindow::AppServices services{components, messageBoxes, mousePointer, modal, desktop};
};

} // namespace brellow::testsupport
