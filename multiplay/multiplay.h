// The multiplay subsystem as others see it: the transport's settings (where games are
// hosted and searched for, which tests change) and the start dialog that a drawing layer
// shows (multiplay/start_dialog.h). Everything else in this folder is internal.
#pragma once

#include "multiplay/transport/settings.h"
