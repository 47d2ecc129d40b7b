#include "app/core/FormToolkit.h"

FormToolkit::~FormToolkit() = default;

namespace {
FormToolkit* g_toolkit = nullptr;
}

FormToolkit* CurrentFormToolkit() {
    return g_toolkit;
}

void InstallFormToolkit(FormToolkit* toolkit) {
    g_toolkit = toolkit;
}
