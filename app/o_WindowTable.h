#pragma once

// Tells the main controller which window each menu command opens.
void registerHourwrightWindows();
