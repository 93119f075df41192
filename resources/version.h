/* The product version, shared by the version resource (resources/version.rc) and by
   the builds that have no resources, which answer the same text. At most 7
   characters: it names the settings keys and is kept in 8-byte buffers. */
#ifndef QLX_VERSION_H
#define QLX_VERSION_H

#define QLX_PRODUCT_VERSION "4.10EN"
#define QLX_VERSION_NUMBERS 4, 10, 0, 0

#endif
