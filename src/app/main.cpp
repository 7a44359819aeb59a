#include <windows.h>

#include "app/App.h"

namespace {

tidemark::CApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return tidemark::RunApplication(instance);
}
