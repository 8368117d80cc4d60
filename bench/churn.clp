;;; Fact churn: 100,000 facts asserted and retracted one after the other
;;; through 20 rules. Each fact activates one rule when its value passes that
;;; rule's limit, and the retraction withdraws the activation again, so the
;;; agenda and the join memories fill and empty 100,000 times. At the end a
;;; last batch of 1,000 facts stays and the rules fire.

(defglobal ?*fired* = 0)

(deftemplate item (slot id) (slot kind) (slot value))
(deftemplate limit (slot kind) (slot value))

(deffacts limits
   (limit (kind 0) (value 0))
   (limit (kind 1) (value 5))
   (limit (kind 2) (value 10))
   (limit (kind 3) (value 15))
   (limit (kind 4) (value 20))
   (limit (kind 5) (value 25))
   (limit (kind 6) (value 30))
   (limit (kind 7) (value 35))
   (limit (kind 8) (value 40))
   (limit (kind 9) (value 45))
   (limit (kind 10) (value 50))
   (limit (kind 11) (value 55))
   (limit (kind 12) (value 60))
   (limit (kind 13) (value 65))
   (limit (kind 14) (value 70))
   (limit (kind 15) (value 75))
   (limit (kind 16) (value 80))
   (limit (kind 17) (value 85))
   (limit (kind 18) (value 90))
   (limit (kind 19) (value 95))
)

(defrule watch-0
   (limit (kind 0) (value ?l))
   (item (id ?i) (kind 0) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-1
   (limit (kind 1) (value ?l))
   (item (id ?i) (kind 1) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-2
   (limit (kind 2) (value ?l))
   (item (id ?i) (kind 2) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-3
   (limit (kind 3) (value ?l))
   (item (id ?i) (kind 3) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-4
   (limit (kind 4) (value ?l))
   (item (id ?i) (kind 4) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-5
   (limit (kind 5) (value ?l))
   (item (id ?i) (kind 5) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-6
   (limit (kind 6) (value ?l))
   (item (id ?i) (kind 6) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-7
   (limit (kind 7) (value ?l))
   (item (id ?i) (kind 7) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-8
   (limit (kind 8) (value ?l))
   (item (id ?i) (kind 8) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-9
   (limit (kind 9) (value ?l))
   (item (id ?i) (kind 9) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-10
   (limit (kind 10) (value ?l))
   (item (id ?i) (kind 10) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-11
   (limit (kind 11) (value ?l))
   (item (id ?i) (kind 11) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-12
   (limit (kind 12) (value ?l))
   (item (id ?i) (kind 12) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-13
   (limit (kind 13) (value ?l))
   (item (id ?i) (kind 13) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-14
   (limit (kind 14) (value ?l))
   (item (id ?i) (kind 14) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-15
   (limit (kind 15) (value ?l))
   (item (id ?i) (kind 15) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-16
   (limit (kind 16) (value ?l))
   (item (id ?i) (kind 16) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-17
   (limit (kind 17) (value ?l))
   (item (id ?i) (kind 17) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-18
   (limit (kind 18) (value ?l))
   (item (id ?i) (kind 18) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(defrule watch-19
   (limit (kind 19) (value ?l))
   (item (id ?i) (kind 19) (value ?v&:(> ?v ?l)))
   =>
   (bind ?*fired* (+ ?*fired* 1)))

(deffunction churn (?n ?keep)
   (bind ?k 0)
   (bind ?v 0)
   (bind ?i 0)
   (while (< ?i ?n)
      (bind ?f (assert (item (id ?i) (kind ?k) (value ?v))))
      (if (< ?i (- ?n ?keep)) then (retract ?f))
      (bind ?k (+ ?k 1))
      (if (= ?k 20) then (bind ?k 0))
      (bind ?v (+ ?v 7))
      (if (>= ?v 100) then (bind ?v (- ?v 100)))
      (bind ?i (+ ?i 1))))

(reset)
(churn 100000 1000)
(printout t "facts asserted: 100000, rules fired: " (run) crlf)
