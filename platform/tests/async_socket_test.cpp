#include "platform/async_socket.h"
#include <gtest/gtest.h>
