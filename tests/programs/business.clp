; The business package: annuities with payments at the end or the start of
; each period, the parts of one payment, rates found by iteration, cash
; flows and depreciation, and the errors of arguments no formula can take.
(printout t (payment 0 10 1000 0 ptEndOfPeriod) " " (future-value 0.1 1 0 -100 ptEndOfPeriod) " "
            (present-value 0.1 2 0 121 ptEndOfPeriod) crlf)
(printout t (future-value 0.05 10 -100 0 ptEndOfPeriod) " "
            (future-value 0.05 10 -100 0 ptStartOfPeriod) " "
            (present-value 0.05 10 -100 0 ptEndOfPeriod) crlf)
(printout t (payment (/ 0.08 12) 10 10000 0 ptEndOfPeriod) " "
            (payment (/ 0.08 12) 10 10000 0 ptStartOfPeriod) crlf)
(printout t (interest-payment 0.1 1 2 1000 0 ptEndOfPeriod) " "
            (period-payment 0.1 1 2 1000 0 ptEndOfPeriod) " "
            (interest-payment 0.1 2 2 1000 0 ptEndOfPeriod) " "
            (interest-payment 0.1 1 2 1000 0 ptStartOfPeriod) crlf)
(printout t (number-of-periods 0.1 0 -100 121 ptEndOfPeriod) " "
            (interest-rate 2 0 -100 121 ptEndOfPeriod) crlf)
(printout t (net-present-value 0.1 (create$ 110) ptEndOfPeriod) " "
            (net-present-value 0.1 (create$ 110 121) ptStartOfPeriod) " "
            (internal-rate-of-return 0.1 (create$ -100 110)) " "
            (internal-rate-of-return 0.05 (create$ -100 230 -132)) " "
            (internal-rate-of-return 0.3 (create$ -100 230 -132)) crlf)
(printout t (sln-depreciation 1000 100 9) " " (syd-depreciation 1000 100 2 1) " "
            (double-declining-balance 1000 300 5 1) " " (double-declining-balance 1000 300 5 3) " "
            (double-declining-balance 1000 300 5 4) crlf)
(printout t (try (payment 0.1 10 1000 0 later) catch ?__ERROR) crlf)
(printout t (try (payment -1 10 1000 0 ptEndOfPeriod) catch ?__ERROR) crlf)
(printout t (try (syd-depreciation 1000 100 5 6) catch ?__ERROR) crlf)
(printout t (try (number-of-periods 0.1 -100 1000 0 ptEndOfPeriod) catch ?__ERROR) crlf)
(printout t (try (internal-rate-of-return 0.1 (create$ 1 2 3)) catch ?__ERROR) crlf)
