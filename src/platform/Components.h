// All window components of the platform layer.
#pragma once

#include "platform/Component.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Form.h"
#include "platform/Grid.h"
#include "platform/ListView.h"
#include "platform/Menus.h"
