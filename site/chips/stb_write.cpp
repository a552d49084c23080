// The one translation unit that holds the image encoders' definitions.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
