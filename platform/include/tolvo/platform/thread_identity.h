// Which thread is running: the process's main thread (the one that started the program) or another.
#pragma once

namespace tolvo::platform {

bool IsMainThread();

}  // namespace tolvo::platform
