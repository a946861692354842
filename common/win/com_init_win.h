#pragma once
// COM for the program's one thread, a single-threaded apartment as a GUI program needs:
// initialised once at start-up, uninitialised when the owner goes.
namespace corvanel {

class ComApartment {
 public:
  // Throws a corvanel::AppError carrying the HRESULT when COM cannot be initialised.
  ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment();
};

}  // namespace corvanel
