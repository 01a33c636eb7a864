// How a platform shows an error text that ShowError formatted. One
// implementation per platform unit set.
#pragma once

// Shows text to the user if a render window exists; called only by ShowError.
void DisplayErrorText(const char* text);
