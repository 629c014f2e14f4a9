#pragma once

#include "mainwindow/AppServices.h"
#include "support/FakeComponent.h"
#include "support/FakeMessageBoxService.h"
#include "support/FakeModalPresenter.h"
#include "support/FakeMousePointer.h"
#include "support/FakeProgramStarter.h"
#include "support/FakeRegistry.h"
#include "support/FakeShell.h"

namespace brellow::testsupport {

// Every seam a window takes, as recording fakes, and the services struct over them.
struct FakeAppServices {
    FakeComponent components;
    FakeMessageBoxService messageBoxes;
    FakeMousePointer mousePointer;
    FakeModalPresenter modal;
    FakeRegistry registry;
    FakeProgramStarter programs;
    FakeShell shell;
    mainwindow::AppServices services{components, messageBoxes, mousePointer, modal,
                                     registry,   programs,     shell};
};

} // namespace brellow::testsupport
