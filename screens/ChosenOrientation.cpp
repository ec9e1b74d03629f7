#include "screens/ChosenOrientation.h"

#include "shell/AppDoor.h"

namespace screens {
int chosenOrientation(const AppDoor* appCore) {
    return appCore ? appCore->interfaceOrientation() : 1;
}
unsigned orientationMask(int orientation) {
    return orientation >= 0 && orientation < 32 ? 1u << orientation : 0u;
}
}  // namespace screens
