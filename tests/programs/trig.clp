; The trigonometry package: angles in radians, the branches of acsc and
; asec, hyperbolic functions, angle conversions, distances between lists of
; numbers, and the errors of arguments outside a domain or at a pole.
(printout t (sin (/ (PI) 6)) " " (cos 0) " " (tan (/ (PI) 4)) " " (sec (/ (PI) 3)) crlf)
(printout t (asin 1) " " (acos -1) " " (atan 1) " " (acot -1) crlf)
(printout t (atan2 0 1) " " (atan2 1 0) " " (atan2 -1 0) crlf)
(printout t (acsc 2) " " (acsc -2) " " (asec 2) " " (asec -2) crlf)
(printout t (sinh 0.6931471805599453) " " (cosh 0.6931471805599453) " " (tanh 0.6931471805599453) crlf)
(printout t (asinh 0.75) " " (acosh 1.25) " " (atanh 0.6) " " (acoth 3) crlf)
(printout t (deg-grad 90) " " (grad-deg 100) " " (deg-rad 180) " " (rad-deg 1) " " (cycle-rad 1) crlf)
(printout t (hypotenuse 5 12) " " (distance (create$ 0 0) (create$ 3 4)) " "
            (distance-sqr (create$ 1 1 1) (create$ 2 2 2)) " "
            (distance-manhattan (create$ 0 0) (create$ 3 4)) crlf)
(printout t (try (distance (create$ 1) (create$ 1 2)) catch ?__ERROR) crlf)
(printout t (try (acos 2) catch ?__ERROR) crlf)
(printout t (try (acoth 1) catch ?__ERROR) crlf)
(printout t (try (csc 0) catch ?__ERROR) crlf)
(printout t (try (coth 0) catch ?__ERROR) crlf)
(printout t (try (sin) catch ?__ERROR) crlf)
