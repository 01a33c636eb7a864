// OpenGL 1.1 for the portable units, without pulling <windows.h> into them.
// mingw's <GL/gl.h> includes <windows.h> only to learn the two calling
// convention macros, so they are given here first.
#pragma once

#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY __stdcall
#define LUMOX_DEFINED_APIENTRY 1
#endif
#if defined(_WIN32) && !defined(WINGDIAPI)
#define WINGDIAPI __declspec(dllimport)
#define LUMOX_DEFINED_WINGDIAPI 1
#endif

#include <GL/gl.h>

// Rectangle textures are used through their enumerant alone; no extension
// loader is needed for them.
#ifndef GL_TEXTURE_RECTANGLE
#define GL_TEXTURE_RECTANGLE 0x84F5
#endif
#ifndef GL_MAX_RECTANGLE_TEXTURE_SIZE
#define GL_MAX_RECTANGLE_TEXTURE_SIZE 0x84F8
#endif
