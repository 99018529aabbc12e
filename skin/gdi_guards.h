// Owners of the device contexts and selections that the skin takes for the length of one
// function, so that every return gives them back. Declared in the order screen DC, memory DC,
// selection, they unwind as the rule wants: select the old object back, delete the DC, release
// the screen's DC; the objects themselves are deleted by their owners after that.
#pragma once

#include <windows.h>

class ScreenDc {
public:
    ScreenDc() : hdc(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (hdc != nullptr) {
            ReleaseDC(nullptr, hdc);
        }
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return hdc; }
    // Gives the screen's DC back before the guard goes, for code that needs it only to make
    // compatible objects.
    void Release()
    {
        if (hdc != nullptr) {
            ReleaseDC(nullptr, hdc);
            hdc = nullptr;
        }
    }

private:
    HDC hdc;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith)
        : hdc(compatibleWith != nullptr ? CreateCompatibleDC(compatibleWith) : nullptr)
    {
    }
    ~MemoryDc()
    {
        if (hdc != nullptr) {
            DeleteDC(hdc);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC Get() const { return hdc; }

private:
    HDC hdc;
};

// Selects an object into a DC and puts the replaced one back when it goes, so that the object is
// free to be deleted by its owner.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object)
        : hdc(dc), previous(dc != nullptr && object != nullptr ? SelectObject(dc, object) : nullptr)
    {
    }
    ~Selection()
    {
        if (previous != nullptr && previous != HGDI_ERROR) {
            SelectObject(hdc, previous);
        }
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    bool Succeeded() const { return previous != nullptr && previous != HGDI_ERROR; }

private:
    HDC hdc;
    HGDIOBJ previous;
};
