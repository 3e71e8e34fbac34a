#include "BenchRun.h"

#include "BenchFiles.h"
#include "KV_Api.h"

#include <wincodec.h>

#include <cwchar>
#include <stdexcept>
#include <vector>

namespace KV_Bench {

namespace {

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        throw std::runtime_error(std::string("screenshot: ") + what + " failed");
    }
}

} // namespace

void SaveScreenshot(HWND hwnd, const std::wstring& sPngPath) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    // Copy the window's part of the screen into 32-bit top-down pixels.
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    std::vector<BYTE> pixels(static_cast<const BYTE*>(bits),
                             static_cast<const BYTE*>(bits) + std::size_t(width) * height * 4);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        KV_Api::ComPtr<IWICImagingFactory> factory;
        Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Put())),
              "WIC");
        KV_Api::ComPtr<IWICStream> stream;
        Check(factory->CreateStream(stream.Put()), "stream");
        Check(stream->InitializeFromFilename(sPngPath.c_str(), GENERIC_WRITE), "file");
        KV_Api::ComPtr<IWICBitmapEncoder> encoder;
        Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()), "encoder");
        Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "encoder");
        KV_Api::ComPtr<IWICBitmapFrameEncode> frame;
        Check(encoder->CreateNewFrame(frame.Put(), nullptr), "frame");
        Check(frame->Initialize(nullptr), "frame");
        Check(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)), "size");
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
        Check(frame->SetPixelFormat(&format), "format");
        Check(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width) * 4,
                                 static_cast<UINT>(pixels.size()), pixels.data()),
              "pixels");
        Check(frame->Commit(), "commit");
        Check(encoder->Commit(), "commit");
    }
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
}

std::wstring NextPictureName(const std::wstring& sReport, const wchar_t* sKind) {
    wchar_t name[32];
    std::swprintf(name, 32, L"%02zu-%ls.png", ReadUtf8Lines(sReport).size() + 1, sKind);
    return name;
}

} // namespace KV_Bench
