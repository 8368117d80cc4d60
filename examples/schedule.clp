; Scheduling a small building project: each task takes some days and may
; wait for other tasks. A task starts as soon as the last task it waits for
; has ended; the rules work out every start day and the project's length.
;
;   rulesh examples/schedule.clp

(deftemplate task
   (slot name)
   (slot days)
   (slot waiting (default 0))     ; tasks it still waits for
   (slot earliest (default 0)))   ; first day it may start
(deftemplate after (slot task) (slot waits-for))
(deftemplate scheduled (slot name) (slot start) (slot end))

(deffacts project
   (task (name foundations) (days 5))
   (task (name walls) (days 10) (waiting 1))
   (task (name plumbing) (days 4) (waiting 1))
   (task (name wiring) (days 3) (waiting 1))
   (task (name roof) (days 6) (waiting 1))
   (task (name plaster) (days 4) (waiting 2))
   (task (name painting) (days 3) (waiting 2))
   (after (task walls) (waits-for foundations))
   (after (task plumbing) (waits-for walls))
   (after (task wiring) (waits-for walls))
   (after (task roof) (waits-for walls))
   (after (task plaster) (waits-for plumbing))
   (after (task plaster) (waits-for wiring))
   (after (task painting) (waits-for plaster))
   (after (task painting) (waits-for roof)))

; A task with nothing left to wait for is placed on its earliest day.
(defrule place
   (task (name ?n) (days ?d) (waiting 0) (earliest ?start))
   (not (scheduled (name ?n)))
   =>
   (assert (scheduled (name ?n) (start ?start) (end (+ ?start ?d))))
   (printout t "day " ?start " to " (+ ?start ?d) ": " ?n crlf))

; A placed task releases the tasks that wait for it.
(defrule release
   (scheduled (name ?done) (end ?end))
   ?link <- (after (task ?n) (waits-for ?done))
   ?task <- (task (name ?n) (waiting ?w) (earliest ?e))
   =>
   (retract ?link)
   (modify ?task (waiting (- ?w 1)) (earliest (max ?e ?end))))

(defrule project-length
   (declare (salience -10))
   (scheduled (end ?last))
   (not (scheduled (end ?later&:(> ?later ?last))))
   =>
   (printout t "The project takes " ?last " days." crlf))

(defrule stuck
   (declare (salience -10))
   (task (name ?n) (waiting ?w&:(> ?w 0)))
   =>
   (printout t "Cannot place " ?n ": it waits for a task that never ends." crlf))

(reset)
(run)
