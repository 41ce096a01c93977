// What libtessel-dataaccess.so exports; everything not marked so stays inside the library.
#pragma once

#if defined(__GNUC__)
#define DATAACCESS_API __attribute__((visibility("default")))
#else
#define DATAACCESS_API
#endif
