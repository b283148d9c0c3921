#include "platform/system/thread_name.h"

#include <pthread.h>
#include <string>

namespace psys {

void name_current_thread(std::string_view name_utf8) {
    const std::string name(name_utf8.substr(0, 15));
    pthread_setname_np(pthread_self(), name.c_str());
}

} // namespace psys
