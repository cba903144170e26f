// The platform part of the JNI declarations. On Windows, 32-bit and 64-bit
// alike, jint is a long (32 bits) and jlong 64 bits; the 32-bit VM's entry
// points use the __stdcall convention, which the 64-bit compiler ignores (x64
// has one calling convention). The native build (unit tests) gets the usual
// GCC definitions.
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#if defined(_WIN32)

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#else

#define JNIEXPORT __attribute__((visibility("default")))
#define JNIIMPORT __attribute__((visibility("default")))
#define JNICALL

typedef int jint;
#ifdef _LP64
typedef long jlong;
#else
typedef long long jlong;
#endif
typedef signed char jbyte;

#endif

#endif
