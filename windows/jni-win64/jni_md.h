// Machine-dependent JNI types for Windows x64 (LLP64: long is 32 bits).
#ifndef QDR_JNI_MD_H
#define QDR_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
