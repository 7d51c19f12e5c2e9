// Marks the functions and classes that libtolvoruntime.so exports (the build hides everything
// else), and the entry points that a component server library exports.
#pragma once

#define TOLVO_RUNTIME_API __attribute__((visibility("default")))
#define TOLVO_SERVER_EXPORT extern "C" __attribute__((visibility("default")))
