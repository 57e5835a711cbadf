#pragma once

// Resource IDs shared by the resource script and the window.
#define IDI_QUILLET 1
